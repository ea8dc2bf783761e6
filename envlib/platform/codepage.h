// Conversion between the local code page of the station PCs (936, GBK, a
// superset of GB2312) and UTF-8, through UTF-16 as MultiByteToWideChar and
// WideCharToMultiByte do it. On POSIX iconv's CP936 gives the same table as
// Windows; GB2312 alone would refuse the GBK-only characters.
#pragma once
#include <cstddef>
#include <string>

namespace plat {

// A byte sequence that is no character of the source encoding, and a
// character that the local code page lacks, become "?"; all else converts
// one to one. The text may hold NULs: length bytes are converted.
std::string LocalToUtf8(const char* text, std::size_t length);
std::string Utf8ToLocal(const char* text, std::size_t length);

} // namespace plat
