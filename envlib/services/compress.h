// Packing files into ZIP archives and unpacking them, on a chosen container
// (the exports use plat::SystemZip(); the tests run both containers).
#pragma once
#include "platform/ziparchive.h"

namespace dorlix {

int PackFile(const plat::ZipBackend& zip, const char* source, const char* archive);
int PackFolder(const plat::ZipBackend& zip, const char* folder, const char* archive);
int Unpack(const plat::ZipBackend& zip, const char* archive, const char* destination);

// The process-wide progress counters, 0 to 100.
int PackProgress();
int UnpackProgress();

// Whether an entry name stays inside the folder it is unpacked to: no
// drive, no root, no ".." component.
bool EntryStaysInside(const std::string& name);

} // namespace dorlix
