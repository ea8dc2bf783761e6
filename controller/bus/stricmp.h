// Case-insensitive comparison used for every keyword, key and file name.
#pragma once

int stricmp(const char* a, const char* b);
