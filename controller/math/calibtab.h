// Calibration tables: piecewise-linear conversion from a measured voltage to a
// true value, and the per-card, per-channel tables of "CalibTab.ini".
#pragma once

#define TABSIZE 20
#define CALIBFILE "CalibTab.ini"

struct CALIBTAB {
    int Num;                 // number of valid points
    float Voltage[TABSIZE];  // measured values, ascending
    float TrueData[TABSIZE]; // true value of each measured value

    CALIBTAB();
    CALIBTAB(const CALIBTAB& Src) = default;
    CALIBTAB& operator=(const CALIBTAB& Src);
    void Init(); // identity table with 5 valid points
};

// One calibration point.
struct INSERTDAT {
    float OrgDatX;  // measured value
    float TrueDatY; // true value
};

// Measured -> true value along the table; outside the table the first or last
// segment is extended. Tables of one point or none return Voltage unchanged.
float GetTrueDat(float Voltage, CALIBTAB CalibTab);

// Straight line through two points; 1 when OrgDat lies on or between New and Old.
int GetMidDat(INSERTDAT Old, INSERTDAT New, float OrgDat, float& TrueDat);

// G_CALIB: pArgc is "v0@v1@...&t0@t1@..."; writes section "<SlotIdx>_<ChIdx>"
// with keys Voltage and True of CALIBFILE in the working directory.
void GetTaskFile2CalibTab(int SlotIdx, int ChIdx, char* pArgc);
