#include "steppos.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The files hold 32-bit little-endian integers whatever the host's long is.
int32_t GetLE32(const unsigned char* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return static_cast<int32_t>(v);
}

void PutLE32(unsigned char* p, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// Reads exactly n bytes of a file; false when it is missing or shorter.
bool ReadExactly(const char* name, unsigned char* buf, size_t n) {
    FILE* f = fopen(name, "rb");
    if (!f) return false;
    size_t got = fread(buf, 1, n, f);
    fclose(f);
    return got == n;
}

} // namespace

STEPPOS::STEPPOS() {
    for (int& s : StepMotorStatus)
        s = -1;
}

int STEPPOS::SaveStepMotorStatus(int ChIdx, int Status) {
    if (ChIdx < 0 || ChIdx >= MAXSTEPMOTORNUM) return -1;
    FILE* f = fopen(STEPPOSFILE, "wb");
    if (!f) return 0;
    StepMotorStatus[ChIdx] = Status;
    unsigned char buf[4 * MAXSTEPMOTORNUM];
    for (int i = 0; i < MAXSTEPMOTORNUM; ++i)
        PutLE32(buf + 4 * i, StepMotorStatus[i]);
    size_t put = fwrite(buf, 1, sizeof buf, f);
    int closed = fclose(f);
    return put == sizeof buf && closed == 0 ? 1 : 0;
}

int STEPPOS::LoadStepMotorStatus() {
    unsigned char buf[4 * MAXSTEPMOTORNUM];
    if (!ReadExactly(STEPPOSFILE, buf, sizeof buf)) return 0;
    for (int i = 0; i < MAXSTEPMOTORNUM; ++i)
        StepMotorStatus[i] = GetLE32(buf + 4 * i);
    return 1;
}

int STEPPOS::GetStepMotorStatus(int ChIdx) {
    if (ChIdx < 0 || ChIdx >= MAXSTEPMOTORNUM) return -1;
    return StepMotorStatus[ChIdx];
}

MOZPOS::MOZPOS() {
    memset(POS, 0, sizeof POS);
}

int MOZPOS::LoadPos() {
    unsigned char local[4 * MOZPOSROWS * MOZPOSCOLS];
    if (!ReadExactly(MOZPOSFILE, local, sizeof local)) return 0;
    for (int r = 0; r < MOZPOSROWS; ++r)
        for (int c = 0; c < MOZPOSCOLS; ++c)
            POS[r][c] = GetLE32(local + 4 * (r * MOZPOSCOLS + c));
    return 1;
}
