// Code page 936 and UTF-8: the Win32 conversions through UTF-16.
#include <stdexcept>

#include "platform/win32/winapi.h"
#include "platform/codepage.h"

namespace plat {
namespace {

constexpr UINT GBK = 936;

std::wstring ToWide(UINT codePage, const char* text, std::size_t length) {
    if (length == 0) return {};
    if (length > 0x7fffffff) throw std::length_error("text too long");
    const int n = ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), nullptr, 0);
    if (n <= 0) throw std::runtime_error("MultiByteToWideChar");
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), w.data(), n);
    return w;
}

std::string FromWide(UINT codePage, const std::wstring& w) {
    if (w.empty()) return {};
    const int n = ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                        nullptr, nullptr);
    if (n <= 0) throw std::runtime_error("WideCharToMultiByte");
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

std::string LocalToUtf8(const char* text, std::size_t length) {
    return FromWide(CP_UTF8, ToWide(GBK, text, length));
}

std::string Utf8ToLocal(const char* text, std::size_t length) {
    return FromWide(GBK, ToWide(CP_UTF8, text, length));
}

} // namespace plat
