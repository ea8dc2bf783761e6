// dorlix pinyin: a Chinese text as its toneless pinyin and its initials, from
// the library's reading table.
//
//   dorlix pinyin <text>...
//
// The words are joined with one space (the conversion drops inner spaces
// anyway). Prints the pinyin on the first line and the initials on the
// second. Exit code 0 when every character has a reading, 1 when one has
// none or lies outside the table (a punctuation mark, a GBK-only character),
// 2 for a missing text or one that code page 936 cannot write.
#include "command.h"
#include "dorlix.h"
#include "services/pinyin.h"
#include "terminal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunPinyin(const std::vector<std::string>& args) {
    if (args.empty()) {
        fprintf(stderr, "usage: dorlix pinyin <text>...\n");
        return 2;
    }
    std::string text;
    for (const std::string& word : args)
        text += (text.empty() ? "" : " ") + word;
    std::string gb;
    if (!dorlixtool::FromTerminal(text, gb)) {
        fprintf(stderr, "dorlix pinyin: the text has a character that code page 936 cannot write\n");
        return 2;
    }
    char pinyin[dorlix::PINYIN_OUT_SIZE], initials[dorlix::PINYIN_OUT_SIZE];
    const int rc = ::CnvHZ2PY(gb.c_str(), pinyin, initials);
    if (rc == 0) {
        fprintf(stderr, "dorlix pinyin: a character of the text has no reading\n");
        return 1;
    }
    if (rc != 1) {
        fprintf(stderr, "dorlix pinyin: a character of the text lies outside the reading table\n");
        return 1;
    }
    // The pinyin and initials are ASCII; the terminal shows them as they are.
    printf("%s\n%s\n", pinyin, initials);
    return 0;
}

const dorlixtool::Registration reg("pinyin", "pinyin <text>...", RunPinyin);

} // namespace
