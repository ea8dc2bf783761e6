// The Windows headers for the Win32 platform sources. windows.h defines the
// names of several Win32 calls as macros (GetFileAttributes becomes
// GetFileAttributesA, ...), and those are also the names of the plat::
// functions that wrap them: the macros go, the sources call the "A" functions
// by their full names, and platform.h is read after that.
#pragma once
#include <windows.h>

#undef GetPrivateProfileString
#undef GetPrivateProfileInt
#undef GetPrivateProfileSection
#undef WritePrivateProfileString
#undef GetSystemDirectory
#undef GetWindowsDirectory
#undef GetFileAttributes
#undef SetFileAttributes
#undef CopyFile
#undef DeleteFile
#undef CreateDirectory
#undef CharUpper
#undef OutputDebugString
#undef FILE_ATTRIBUTE_READONLY
#undef FILE_ATTRIBUTE_HIDDEN
#undef FILE_ATTRIBUTE_DIRECTORY
#undef FILE_ATTRIBUTE_ARCHIVE
#undef FILE_ATTRIBUTE_NORMAL
#undef INVALID_FILE_ATTRIBUTES

#include "platform/platform.h"

namespace plat {
// A file time stamp (UTC) in local time; false when it cannot be converted.
bool LocalTimeOf(const FILETIME& stamp, LocalTime& out);
} // namespace plat
