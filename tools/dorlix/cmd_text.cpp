// dorlix md5 / dorlix base64: the library's digest and Base64 codec on files
// and on standard input and output.
//
//   dorlix md5 <file>        prints "<32 hex digits>  <file>", as md5sum does
//   dorlix base64 encode     standard input as one line of Base64
//   dorlix base64 decode     Base64 text (white space ignored) back to bytes
//
// Exit code 0 done, 1 unreadable file or bad Base64, 2 bad arguments.
#include "command.h"
#include "dorlix.h"
#include "terminal.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string ReadAll(std::FILE* in) {
    std::string data;
    char piece[65536];
    size_t n;
    while ((n = fread(piece, 1, sizeof piece, in)) > 0)
        data.append(piece, n);
    return data;
}

int RunMd5(const std::vector<std::string>& args) {
    std::string path;
    if (args.size() != 1 || args[0].empty() || !dorlixtool::FromTerminal(args[0], path)) {
        fprintf(stderr, "usage: dorlix md5 <file>\n");
        return 2;
    }
    char digest[33] = {};
    if (GetFileCheck(path.c_str(), digest) != 1) {
        fprintf(stderr, "dorlix md5: cannot read %s\n", args[0].c_str());
        return 1;
    }
    printf("%s  %s\n", digest, args[0].c_str());
    return 0;
}

int Encode() {
    const std::string data = ReadAll(stdin);
    // The library takes an int length: 1.5 GiB of input is far beyond what
    // a station's data comes to.
    if (data.size() > 1610612733u) {
        fprintf(stderr, "dorlix base64: input too large\n");
        return 1;
    }
    std::string code(data.size() / 3 * 4 + 5, '\0');
    const int n = Base64EnCode(data.data(), static_cast<int>(data.size()), code.data());
    fwrite(code.data(), 1, static_cast<size_t>(n), stdout);
    fputc('\n', stdout);
    return 0;
}

int Decode() {
    std::string code;
    for (char c : ReadAll(stdin))
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') code.push_back(c);
    if (code.size() % 4 != 0) {
        fprintf(stderr, "dorlix base64: the text is not Base64 (length not a multiple of 4)\n");
        return 1;
    }
    std::vector<char> data(code.size() / 4 * 3 + 1);
    const int n = Base64DeCode(code.c_str(), data.data());
    fwrite(data.data(), 1, static_cast<size_t>(n), stdout);
    return 0;
}

int RunBase64(const std::vector<std::string>& args) {
    if (args.size() != 1 || (args[0] != "encode" && args[0] != "decode")) {
        fprintf(stderr, "usage: dorlix base64 encode|decode\n");
        return 2;
    }
    dorlixtool::BinaryStandardStreams();
    return args[0] == "encode" ? Encode() : Decode();
}

const dorlixtool::Registration md5("md5", "md5 <file>", RunMd5);
const dorlixtool::Registration base64("base64", "base64 encode|decode   (standard input to output)",
                                      RunBase64);

} // namespace
