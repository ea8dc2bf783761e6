// Simulated measurement values: GetRand, GetRandEx and GetRandEx2.
#include "services/random.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dorlix.h"
#include "core/export.h"
#include "platform/platform.h"

namespace {

// The generator of the Windows C runtime's rand (values 0 to 32767), one per
// thread as there; the library's own, so that the host's rand is left alone
// and both platforms draw the same values.
thread_local uint32_t t_randState = 1;
void SRand(uint32_t seed) {
    t_randState = seed;
}
int Rand() {
    t_randState = t_randState * 214013u + 2531011u;
    return static_cast<int>((t_randState >> 16) & 0x7FFF);
}

// Step counter of GetRandEx.
std::atomic<uint32_t> g_randStep{9};

} // namespace

namespace dorlix {

uint32_t ClockNumber(int minute, int millisecond) {
    char digits[40];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d", minute, minute, millisecond);
    return static_cast<uint32_t>(std::atoi(digits));
}

float ClockSeededRandom(float a, float b, uint32_t clockNumber) {
    int r1 = Rand(), r2 = Rand();
    if (r1 == 0) r1 = 1;
    if (r2 == 0) r2 = 1;
    // In the first minutes of an hour the clock's number is often below r1:
    // a seed of 0 there would give the same value on every call, so the
    // generator then goes on from where it is.
    const uint32_t quotient = clockNumber / static_cast<uint32_t>(r1);
    if (quotient != 0) SRand(quotient * static_cast<uint32_t>(r2));
    return a + (b - a) * static_cast<float>(Rand()) / 32767.0f;
}

} // namespace dorlix

namespace {

float RandNow(float a, float b) {
    const plat::LocalTime now = plat::GetLocalTime();
    return dorlix::ClockSeededRandom(a, b, dorlix::ClockNumber(now.minute, now.millisecond));
}

} // namespace

extern "C" {

DORLIX_API float DORLIX_CALL GetRand(float a, float b) {
    return dorlix::Guarded(a, [&] { return RandNow(a, b); });
}

DORLIX_API float DORLIX_CALL GetRandEx(float a, float b, int period) {
    return dorlix::Guarded(a, [&] {
        const int p = period <= 1 ? 5 : period;
        const uint32_t k = g_randStep.fetch_add(1);
        const double s = std::sin(k * 2 * 3.1415926 / p);
        const float r1 = RandNow(800, 1000);
        const float r2 = RandNow(950, 1000);
        const float h = (b - a) / 2;
        return static_cast<float>(a + h * r2 / 1000 + h * s * r1 / 1000);
    });
}

DORLIX_API float DORLIX_CALL GetRandEx2(void) {
    return dorlix::Guarded(-1000.0f, [] { return -1000.0f; });
}

} // extern "C"
