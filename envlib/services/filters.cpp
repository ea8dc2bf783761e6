// Signal filters and averaging: smoothing channels, moving-average windows and
// the third-order low-pass of the measurement programs. Values are single
// precision; the low-pass runs in double.
#include <vector>

#include "dorlix.h"
#include "core/export.h"

namespace {

constexpr int CHANNELS = 10;
constexpr int WINDOWS = 5;
constexpr int WINDOW_MAX = 100;

// Library-wide and unlocked, as callers have always shared them.
float g_channel[CHANNELS];

struct Window {
    float values[WINDOW_MAX]; // oldest first
    int fill;
    int length; // 0 until HDSetNum
    float weights[WINDOW_MAX];
};
Window g_window[WINDOWS];

// Third-order Butterworth low-pass, bilinear transform, cut-off at 1/300 of the sample rate.
constexpr double B0 = 1.124702012467171e-06;
constexpr double B1 = 3.374106037401514e-06;
constexpr double B2 = 3.374106037401514e-06;
constexpr double B3 = 1.124702012467171e-06;
constexpr double A1 = -2.958112863227966;
constexpr double A2 = 2.917098400519236;
constexpr double A3 = -0.95897653967517;

bool ValidWindow(int index) {
    return index >= 0 && index < WINDOWS;
}

} // namespace

extern "C" {

DORLIX_API float DORLIX_CALL Filter_1(int channel, float x, float k) {
    return dorlix::Guarded(0.0f, [&] {
        if (k < 0.0f) k = 0.0f;
        if (k >= 1.0f) k = 0.999f;
        if (channel < 0) channel = 0;
        if (channel > CHANNELS - 1) channel = CHANNELS - 1;
        float& y = g_channel[channel];
        y = k * y + (1.0f - k) * x;
        return y;
    });
}

DORLIX_API int DORLIX_CALL Filter_2(const float* in, float* out, int count, float k) {
    return dorlix::Guarded(0, [&] {
        if (!in || !out || count < 0) return 0;
        float y = 0.0f;
        for (int i = 0; i < count; ++i) {
            y = k * y + (1.0f - k) * in[i];
            out[i] = y;
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL Filter_3(const float* in, float* out, int count) {
    return dorlix::Guarded(0, [&] {
        if (!in || !out || count < 0) return 0;
        // Zero-padded work arrays: the recurrence reads three samples back.
        std::vector<double> x(static_cast<std::size_t>(count) + 10, 0.0), y(x.size(), 0.0);
        for (int i = 0; i < count; ++i)
            x[i] = in[i];
        for (int n = 3; n <= count - 2; ++n) {
            y[n] = B0 * x[n] + B1 * x[n - 1] + B2 * x[n - 2] + B3 * x[n - 3] - A1 * y[n - 1] - A2 * y[n - 2] -
                   A3 * y[n - 3];
        }
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<float>(y[i]);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL HDSetNum(int length, int index) {
    return dorlix::Guarded(0, [&] {
        if (!ValidWindow(index)) return 0;
        Window& w = g_window[index];
        if (length > WINDOW_MAX) length = WINDOW_MAX;
        if (length <= 0) length = 2;
        for (float& v : w.values)
            v = 0.0f;
        w.fill = 0;
        const float weight = static_cast<float>(1.0 / length);
        for (int i = 0; i < length; ++i)
            w.weights[i] = weight;
        w.length = length;
        return 1;
    });
}

DORLIX_API int DORLIX_CALL HDAddDat(float value, int index) {
    return dorlix::Guarded(0, [&] {
        if (!ValidWindow(index)) return 0;
        Window& w = g_window[index];
        if (w.length == 0) { // no length yet: only the latest value is kept
            w.values[0] = value;
            return 1;
        }
        if (w.fill < w.length) {
            w.values[w.fill++] = value;
            return 0;
        }
        for (int i = 1; i < w.length; ++i)
            w.values[i - 1] = w.values[i];
        w.values[w.length - 1] = value;
        return 1;
    });
}

DORLIX_API int DORLIX_CALL HDGetDat(float* out, int index) {
    return dorlix::Guarded(0, [&] {
        if (!out || !ValidWindow(index)) return 0;
        const Window& w = g_window[index];
        if (w.length <= 0 || w.fill < w.length) return 0;
        float sum = 0.0f;
        for (int i = 0; i < w.length; ++i)
            sum += w.values[i] * w.weights[i];
        *out = sum;
        return 1;
    });
}

DORLIX_API int DORLIX_CALL MakeAvgData(float a, float b, int count, float* out) {
    return dorlix::Guarded(0, [&] {
        if (!out || count <= 0) return 0;
        const float step = (b - a) / static_cast<float>(count);
        float v = a;
        for (int i = 0; i < count; ++i) {
            v += step;
            out[i] = v;
        }
        return 1;
    });
}

DORLIX_API int DORLIX_CALL MakeAvgData_M2(float a, float b, int count, float* out) {
    return MakeAvgData(a, b, count, out);
}

DORLIX_API int DORLIX_CALL GetMidDat(float x1, float y1, float x2, float y2, float x, float* y) {
    return dorlix::Guarded(0, [&] {
        if (!y) return 0;
        if (x1 == x2) {
            *y = y2;
            return 0;
        }
        *y = x * (y1 - y2) / (x1 - x2) + (x2 * y1 - x1 * y2) / (x2 - x1);
        return x2 <= x && x <= x1 ? 1 : 0;
    });
}

} // extern "C"
