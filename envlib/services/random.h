// Simulated measurement values: the library's own rand-style generator,
// re-seeded on every draw from the generator itself and the clock.
#pragma once
#include <cstdint>

namespace dorlix {

// The clock's part of the seed: the decimal number of "%02d%02d%02d" with the
// minute, the minute again and the milliseconds.
uint32_t ClockNumber(int minute, int millisecond);

// One value from a to b (single precision) with the clock's part given.
float ClockSeededRandom(float a, float b, uint32_t clockNumber);

} // namespace dorlix
