// The ZIP container under the compression exports: a narrow interface that
// two implementations share. POSIX uses minizip; Windows uses the library's
// own reader and writer on zlib (no minizip exists for mingw), which the
// POSIX build also compiles so that the same archive tests run against both.
//
// Paths are Windows paths in the local code page (see plat::MapPath); entry
// names are bytes as stored, without folder rules of their own.
#pragma once
#include <memory>
#include <string>

namespace plat {

// An archive being written. Entries are deflated.
class ZipWriter {
  public:
    virtual ~ZipWriter() = default;
    // Adds the file at winSource under name; false when the source cannot be
    // read or the archive cannot be written.
    virtual bool Add(const std::string& name, const char* winSource) = 0;
    // Writes the central directory; false when that fails. Closing twice is harmless.
    virtual bool Close() = 0;
};

struct ZipEntryName {
    std::string name;
    bool utf8; // the archive marks the name as UTF-8 (general purpose flag 11)
};

// An archive opened for reading; closed by the destructor.
class ZipReader {
  public:
    virtual ~ZipReader() = default;
    virtual int Count() const = 0;
    // false for an index out of range.
    virtual bool Name(int index, ZipEntryName& out) = 0;
    // Writes entry index to the file winTarget (replacing it). false when the
    // entry cannot be read (damaged, encrypted, a method other than stored or
    // deflated, a CRC mismatch) or the file cannot be written; no partial
    // file stays behind then.
    virtual bool Extract(int index, const char* winTarget) = 0;
};

struct ZipBackend {
    const char* name;
    // nullptr when the archive cannot be created.
    std::unique_ptr<ZipWriter> (*create)(const char* winPath);
    // nullptr when the file cannot be opened or is no archive this reader can read.
    std::unique_ptr<ZipReader> (*open)(const char* winPath);
};

// The container the exports use on this platform.
const ZipBackend& SystemZip();
// The library's own reader and writer (envlib/services/zipown_*.cpp).
const ZipBackend& OwnZip();

} // namespace plat
