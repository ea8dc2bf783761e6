// Reading and writing the environment file as a whole.
#include "env/envfile.h"
#include "platform/platform.h"

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace dorlix {

namespace {
FILE* OpenMapped(const std::string& winPath, const char* mode) {
    if (winPath.empty()) return nullptr;
    std::string native = plat::MapPath(winPath.c_str());
    return native.empty() ? nullptr : fopen(native.c_str(), mode);
}
} // namespace

EnvFileState ReadEnvFile(const std::string& winPath, SysEnvFile& image) {
    FILE* f = OpenMapped(winPath, "rb");
    if (!f) return EnvFileState::Missing;
    std::unique_ptr<SysEnvFile> buf(new (std::nothrow) SysEnvFile);
    if (!buf) {
        fclose(f);
        return EnvFileState::Missing;
    }
    size_t got = fread(buf.get(), 1, sizeof *buf, f);
    fclose(f);
    // A short file or a foreign magic text is damaged, whatever else it holds.
    if (got != sizeof *buf || strncasecmp(buf->header.magic, ENV_MAGIC, sizeof buf->header.magic) != 0)
        return EnvFileState::Damaged;
    memcpy(&image, buf.get(), sizeof image);
    return EnvFileState::Good;
}

bool WriteEnvFile(const std::string& winPath, const SysEnvFile& image) {
    FILE* f = OpenMapped(winPath, "wb+");
    if (!f) return false;
    bool ok = fwrite(&image, sizeof image, 1, f) == 1;
    ok = (fflush(f) == 0) && ok;
    ok = (fclose(f) == 0) && ok;
    return ok;
}

bool EnvFileOpens(const std::string& winPath) {
    FILE* f = OpenMapped(winPath, "rb");
    if (!f) return false;
    fclose(f);
    return true;
}

} // namespace dorlix
