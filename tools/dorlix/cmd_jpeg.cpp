// dorlix jpeg2bmp: a baseline JPEG picture as a 24-bit bitmap, by the
// library's converter.
//
//   dorlix jpeg2bmp <in> <out>
//
// A picture that cannot be read or decoded prints the converter's message
// and leaves no bitmap. Exit code 0 written, 1 not, 2 bad arguments.
#include "command.h"
#include "services/jpeg2bmp.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

int RunJpeg2Bmp(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[0].empty() || args[1].empty()) {
        fprintf(stderr, "usage: dorlix jpeg2bmp <in> <out>\n");
        return 2;
    }
    return dorlix::ConvertJpegToBmp(args[0], args[1]) == 1 ? 0 : 1;
}

const dorlixtool::Registration reg("jpeg2bmp", "jpeg2bmp <in.jpg> <out.bmp>", RunJpeg2Bmp);

} // namespace
