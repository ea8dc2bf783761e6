// Shared pieces of the packet readers and writers (not exported).
#pragma once
#include "packet/layout.h"

namespace dorlix::packet {

// "超过系统内存限制------------------------>" in GB2312.
inline constexpr const char* OVER_LIMIT_TEXT =
    "\xB3\xAC\xB9\xFD\xCF\xB5\xCD\xB3\xC4\xDA\xB4\xE6\xCF\xDE\xD6\xC6"
    "------------------------>";

#define DORLIX_TRACE_OVER_LIMIT(name) ::dorlix::packet::TraceOverLimit(__FILE__, __LINE__, name)

// Logs one line under a name through the library log (dropped when logging is off).
void PacketLog(const char* name, const char* text);

// Compares two texts without regard to the case of ASCII letters; double-byte
// GB2312 characters compare as bytes.
bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace dorlix::packet
