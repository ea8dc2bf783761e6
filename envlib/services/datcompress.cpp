// Peak-picking reduction of a measurement curve: the first sample, then the
// largest sample of each of m - 1 consecutive groups, rounded.
#include "dorlix.h"
#include "core/export.h"

extern "C" {

DORLIX_API int DORLIX_CALL DatCompressPro_PP(const float* in, int n, float* out, int m, int decimals) {
    return dorlix::Guarded(0, [&] {
        if (m <= 3 || n <= 1 || out == nullptr || in == nullptr) return 0;
        if (n < m) {
            for (int i = 0; i < n; ++i) {
                out[i] = in[i];
                GetPrecisionDataAny(&out[i], decimals);
            }
            return n;
        }
        out[0] = in[0];
        // The first r groups hold one sample more than the others.
        const int groups = m - 1, q = n / groups, r = n % groups;
        int at = 0;
        for (int g = 0; g < groups; ++g) {
            const int len = q + (g < r ? 1 : 0);
            float peak = in[at];
            for (int i = at + 1; i < at + len; ++i)
                if (in[i] > peak) peak = in[i];
            at += len;
            GetPrecisionDataAny(&peak, decimals);
            out[g + 1] = peak;
        }
        return m;
    });
}

} // extern "C"
