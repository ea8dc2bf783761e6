// Field cutting for the library's own code (the exports GetField and GetField2
// wrap it). The bounded form never writes more than outSize bytes.
#pragma once
#include <cstddef>

namespace dorlix {
// Field n (from 0) of text split at sep, copied into out (at most outSize - 1
// characters and a NUL). 1 when the field exists; 0 otherwise, out then empty.
int CutField(const char* text, char* out, size_t outSize, int n, char sep);
} // namespace dorlix
