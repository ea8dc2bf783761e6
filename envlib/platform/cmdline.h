// A command line split into its arguments by the rules Windows programs use
// (the C runtime's and CommandLineToArgvW's), so that a command line meant
// for CreateProcess means the same on POSIX:
// - the program name ends at the first blank, or, when it starts with a
//   double quote, at the next double quote; backslashes in it are plain;
// - after it, blanks (space, tab) separate arguments outside double quotes;
// - 2n backslashes before a double quote give n backslashes and the quote
//   opens or closes quoting; 2n+1 give n backslashes and a literal quote;
//   backslashes before anything else are plain;
// - inside quotes, two double quotes give one literal quote.
#pragma once
#include <string>
#include <vector>

namespace plat {

inline std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    auto blank = [&](size_t at) { return at < n && (line[at] == ' ' || line[at] == '\t'); };
    while (blank(i)) ++i;
    if (i == n) return args;
    std::string word;
    if (line[i] == '"') {
        const size_t end = line.find('"', i + 1);
        word = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
        i = end == std::string::npos ? n : end + 1;
    } else {
        while (i < n && !blank(i)) word += line[i++];
    }
    args.push_back(word);
    for (;;) {
        while (blank(i)) ++i;
        if (i >= n) break;
        word.clear();
        bool quoted = false;
        while (i < n && (quoted || !blank(i))) {
            if (line[i] == '\\') {
                size_t slashes = 0;
                while (i < n && line[i] == '\\') ++slashes, ++i;
                if (i < n && line[i] == '"') {
                    word.append(slashes / 2, '\\');
                    if (slashes % 2) {
                        word += '"';
                        ++i;
                    }
                } else {
                    word.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word += line[i++];
            }
        }
        args.push_back(word);
    }
    return args;
}

} // namespace plat
