/* The library's own version texts: what GetDllVer reports and what the
 * version resource of Dorlix.dll carries. Plain macros, so that the resource
 * compiler reads the same file as the C++ code. */
#ifndef DORLIX_LIBVERSION_H
#define DORLIX_LIBVERSION_H

#define DORLIX_VERSION_MAJOR 4
#define DORLIX_VERSION_MINOR 23
/* Build date, written into the version text as century, year, month, day. */
#define DORLIX_BUILD_YEAR 2021
#define DORLIX_BUILD_MONTH 4
#define DORLIX_BUILD_DAY 6

#define DORLIX_FILE_VERSION_TEXT "4, 23, 0, 0"
#define DORLIX_COPYRIGHT "Copyright (C) VZ5 Station Software"
#define DORLIX_SHORT_NAME "SYSENV"
/* 系统环境支持动态库, in GB2312 for the exports and in UTF-16 for the resource. */
#define DORLIX_DESCRIPTION_GB "\xCF\xB5\xCD\xB3\xBB\xB7\xBE\xB3\xD6\xA7\xB3\xD6\xB6\xAF\xCC\xAC\xBF\xE2"
#define DORLIX_DESCRIPTION_W L"\x7CFB\x7EDF\x73AF\x5883\x652F\x6301\x52A8\x6001\x5E93"

#endif
