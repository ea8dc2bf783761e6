// Terminal texts on Windows: the tool reads its arguments from the wide
// command line and writes UTF-8 (a console is switched to UTF-8 output), so
// that nothing depends on the console's or the system's code page.
#include "terminal.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>


namespace dorlixtool {
namespace {

constexpr UINT GBK = 936;

std::wstring Wide(const std::string& text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w, UINT codePage, bool* lossy) {
    if (w.empty()) return std::string();
    BOOL used = FALSE;
    BOOL* usedDefault = codePage == CP_UTF8 ? nullptr : &used;
    int n = WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                                usedDefault);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, usedDefault);
    if (lossy) *lossy = used != FALSE;
    return s;
}

} // namespace

std::vector<std::string> TerminalArguments(int argc, char** argv) {
    if (GetConsoleWindow() != nullptr) SetConsoleOutputCP(CP_UTF8);
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < n; ++i)
        args.push_back(Narrow(wide[i], CP_UTF8, nullptr));
    LocalFree(wide);
    return args;
}

std::string ToTerminal(const std::string& gb, bool escape) {
    // Character by character, so that a byte that does not decode is marked
    // where it stands.
    std::string out;
    size_t i = 0;
    while (i < gb.size()) {
        const unsigned char c = static_cast<unsigned char>(gb[i]);
        size_t len = (c >= 0x81 && c <= 0xFE && i + 1 < gb.size()) ? 2 : 1;
        std::wstring w = c < 0x80 ? std::wstring(1, static_cast<wchar_t>(c))
                                  : Wide(gb.substr(i, len), GBK, MB_ERR_INVALID_CHARS);
        if (w.empty() && c >= 0x80) {
            out += UndecodedByte(c, escape);
            ++i;
            continue;
        }
        out += Narrow(w, CP_UTF8, nullptr);
        i += len;
    }
    return out;
}

bool FromTerminal(const std::string& text, std::string& gb) {
    std::wstring w = Wide(text, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (w.empty() && !text.empty()) return false;
    bool lossy = false;
    gb = Narrow(w, GBK, &lossy);
    return !lossy;
}

void BinaryStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace dorlixtool
