// JPEG pictures to 24-bit bitmaps. A failure prints its message on standard
// output ("File not found!!", "Error alloc memory!", "File format error!")
// and returns 0, and leaves no bitmap behind.
#pragma once
#include <string>

namespace dorlix {

// On the paths of the operating system: 1 when the bitmap was written (an
// existing file is replaced); 0 otherwise.
int ConvertJpegToBmp(const std::string& jpegPath, const std::string& bmpPath);

// The same on station paths ("D:\VZ5\photo.jpg"); null paths give 0.
int CnvJpeg2BmpFile(const char* jpegPath, const char* bmpPath);

} // namespace dorlix
