#include "filters.h"

#include <climits>

float FilterValue = 0;

int GetPrecisionData(float& Data, int Precision) {
    if (Precision < 0 || Precision > 5) return 0;
    float DB = 1;
    for (int i = 0; i < Precision; ++i)
        DB = DB * 10.0f;
    double scaled = static_cast<double>(Data * DB);
    scaled = Data < 0 ? scaled - 0.5 : scaled + 0.5;
    // Values too large for a 32-bit count carry no decimals in a float anyway;
    // leave them as they are instead of converting out of range.
    if (!(scaled > static_cast<double>(INT_MIN) - 1.0 && scaled < static_cast<double>(INT_MAX) + 1.0)) {
        return Precision;
    }
    int whole = static_cast<int>(scaled);
    Data = static_cast<float>(whole) / DB;
    return Precision;
}

float Filter_FIR(float Data, float Streng) {
    float s = Streng;
    if (Streng < 0.000001f) s = 0;
    if (Streng >= 1.0f) s = 0.999f;
    FilterValue = FilterValue * s + (1 - s) * Data;
    return FilterValue;
}

LagOne::LagOne() : X_1(0), LagFactor(1.0f) {}

void LagOne::SetLagFactor(float NewFactor) {
    if (NewFactor < 0.0f) NewFactor = 0.0f;
    if (NewFactor > 1.0f) NewFactor = 1.0f;
    LagFactor = NewFactor;
}

int LagOne::GetLag(int NewDat) {
    double v = ((1.0 - static_cast<double>(LagFactor)) * NewDat + X_1) / 2.0;
    X_1 = static_cast<int>(v);
    return X_1;
}

GRD1PJ::GRD1PJ() : OldValue(0.0f), ParaA(0.8f) {}

float GRD1PJ::GetResult(float NewValue) {
    OldValue = (1 - ParaA) * NewValue + ParaA * OldValue;
    return OldValue;
}

HDPJ::HDPJ() : Idx(0), Num(5) {
    for (int i = 0; i <= MaxHD; ++i)
        Dat[i] = 0;
}

void HDPJ::SetNum(int New) {
    Num = New;
    if (Num > MaxHD) Num = MaxHD;
    if (Num < 1) Num = 0;
}

void HDPJ::Add(float New) {
    if (Num < 1) return; // no window: nothing to hold
    if (Idx < Num) {
        Dat[Idx] = New;
        ++Idx;
        return;
    }
    for (int i = 1; i < Num; ++i)
        Dat[i - 1] = Dat[i];
    Dat[Num - 1] = New;
}

void HDPJ::Release() {
    for (int i = 0; i < Num; ++i)
        Dat[i] = 0;
    Idx = 0;
}

int HDPJ::GetResult(float& New) {
    if (Num < 1 || Idx < Num) return 0;
    float sum = 0;
    for (int i = 0; i < Num; ++i)
        sum += Dat[i];
    New = sum / Num;
    return 1;
}

static unsigned long Median3(unsigned long a, unsigned long b, unsigned long c) {
    if (a > b) {
        unsigned long t = a;
        a = b;
        b = t;
    }
    if (b > c) b = c;
    return a > b ? a : b;
}

long MidValueFilter(unsigned long* Dat, long Num) {
    if (!Dat || Num < 2) return Num - 1;
    // Keep the unfiltered neighbours while the window moves along.
    unsigned long left = Dat[0];
    for (long i = 1; i <= Num - 2; ++i) {
        unsigned long mid = Dat[i];
        Dat[i] = Median3(left, mid, Dat[i + 1]);
        left = mid;
    }
    Dat[0] = Dat[1];
    Dat[Num - 1] = Dat[Num - 2];
    return Num - 1;
}

long Sort(float* Dat, long Num) {
    if (!Dat) return Num;
    for (long i = 0; i < Num; ++i) {
        for (long j = i + 1; j < Num; ++j) {
            if (Dat[i] > Dat[j]) {
                float t = Dat[i];
                Dat[i] = Dat[j];
                Dat[j] = t;
            }
        }
    }
    return Num;
}
