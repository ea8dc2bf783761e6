// Chinese characters to pinyin: GB2312 text to its toneless reading and its
// initials, from the reading table built into the library.
#pragma once
#include <cstddef>

namespace dorlix {

// Entries of the reading table: one per code of the GB2312 character rows.
constexpr int PINYIN_ENTRIES = 6768;
constexpr int PINYIN_ENTRY_SIZE = 11;
// Longest input taken and longest pinyin written (without the NUL); outputs hold 512 bytes.
constexpr std::size_t PINYIN_TEXT_MAX = 511;
constexpr std::size_t PINYIN_OUT_SIZE = 512;

// The 11-byte entry at index (lead - 0xB0) * 94 + (trail - 0xA1): code bytes,
// 8 reading bytes padded with spaces, NUL. Null outside 0..6767.
const char* PinyinEntry(int index);

// 1 both outputs filled; 0 a character has no reading; -1 a two-byte
// character outside the table; -2 a null argument. Except on 1, the outputs
// that are not null are emptied. pinyin and initials hold PINYIN_OUT_SIZE bytes.
int CnvHZ2PY(const char* text, char* pinyin, char* initials);

} // namespace dorlix
