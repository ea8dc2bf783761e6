// Smoothing filters, rounding, median and sort for measured values.
#pragma once

#define MaxHD 50

// Rounds Data to Precision decimals (0..5), halves away from zero; returns
// Precision, or 0 with Data unchanged for any other Precision.
int GetPrecisionData(float& Data, int Precision);

// First-order smoothing with one process-wide state, FilterValue.
extern float FilterValue;
float Filter_FIR(float Data, float Streng);

class LagOne {
  public:
    LagOne();
    void SetLagFactor(float NewFactor);
    int GetLag(int NewDat);

    int X_1;         // last output
    float LagFactor; // 0..1
};

class GRD1PJ {
  public:
    GRD1PJ();
    float GetResult(float NewValue);

    float OldValue; // last output
    float ParaA;    // weight of the old value
};

// Moving average over the last Num values.
class HDPJ {
  public:
    HDPJ();
    void SetNum(int New);
    void Add(float New);
    void Release();
    int GetResult(float& New);

    float Dat[MaxHD + 1];
    int Idx; // values collected
    int Num; // window length
};

// Three-point median in place; returns Num - 1.
long MidValueFilter(unsigned long* Dat, long Num);
// Ascending sort in place; returns Num.
long Sort(float* Dat, long Num);
