#include "calibtab.h"

#include "readini.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

CALIBTAB::CALIBTAB() {
    Init();
}

void CALIBTAB::Init() {
    Num = 5;
    for (int i = 0; i < TABSIZE; ++i) {
        Voltage[i] = static_cast<float>(i);
        TrueData[i] = static_cast<float>(i);
    }
}

CALIBTAB& CALIBTAB::operator=(const CALIBTAB& Src) {
    memcpy(Voltage, Src.Voltage, sizeof Voltage);
    memcpy(TrueData, Src.TrueData, sizeof TrueData);
    Num = Src.Num > TABSIZE ? TABSIZE : Src.Num;
    return *this;
}

float GetTrueDat(float Voltage, CALIBTAB CalibTab) {
    // Num is a public field; never walk past the arrays whatever it says.
    int num = CalibTab.Num > TABSIZE ? TABSIZE : CalibTab.Num;
    if (num <= 1) return Voltage;
    const float* v = CalibTab.Voltage;
    const float* t = CalibTab.TrueData;
    int j = -1, k = -1;
    for (int i = 0; i <= num - 2; ++i) {
        if (v[i] <= Voltage && Voltage <= v[i + 1]) {
            j = i;
            k = i + 1;
            break;
        } else if (Voltage < v[0]) {
            j = 0;
            k = 1;
            break;
        } else if (Voltage > v[num - 1]) {
            j = num - 2;
            k = num - 1;
            break;
        }
    }
    if (j < 0) return Voltage; // unordered table or NaN: no segment applies
    float d = v[j] - v[k];
    if (d == 0) return Voltage;
    float a = (t[j] - t[k]) / d;
    float b = (v[j] * t[k] - v[k] * t[j]) / d;
    return a * Voltage + b;
}

int GetMidDat(INSERTDAT Old, INSERTDAT New, float OrgDat, float& TrueDat) {
    if (Old.OrgDatX - New.OrgDatX == 0) {
        TrueDat = New.TrueDatY;
        return 0;
    }
    if (New.OrgDatX == OrgDat) {
        TrueDat = New.TrueDatY;
        return 1;
    }
    if (Old.OrgDatX == OrgDat) {
        TrueDat = Old.TrueDatY;
        return 1;
    }
    float k = (Old.TrueDatY - New.TrueDatY) / (Old.OrgDatX - New.OrgDatX);
    float b = (New.OrgDatX * Old.TrueDatY - Old.OrgDatX * New.TrueDatY) / (New.OrgDatX - Old.OrgDatX);
    TrueDat = OrgDat * k + b;
    return (New.OrgDatX <= OrgDat && OrgDat <= Old.OrgDatX) ? 1 : 0;
}

// Joins the '@' fields of List, each followed by ',', limited to 1023 characters
// and to what the file can hold on one line; a cut keeps whole values only.
static std::string JoinList(const char* List, const char* Key) {
    std::string out;
    std::string field(strlen(List) + 1, '\0');
    for (int i = 0; ReadIni.GetField2(List, field.data(), field.size(), i, '@'); ++i) {
        out += field.c_str();
        out += ',';
    }
    if (out.size() > 1023) out.resize(1023);
    size_t room = IniValueRoom(Key);
    if (out.size() > room) {
        out.resize(room);
        size_t comma = out.rfind(',');
        out.resize(comma == std::string::npos ? 0 : comma + 1);
    }
    return out;
}

void GetTaskFile2CalibTab(int SlotIdx, int ChIdx, char* pArgc) {
    if (!pArgc) return;
    std::string lists[2];
    std::string field(strlen(pArgc) + 1, '\0');
    for (int i = 0; i < 2; ++i) {
        if (!ReadIni.GetField2(pArgc, field.data(), field.size(), i, '&')) return;
        lists[i] = field.c_str();
    }
    char section[32];
    snprintf(section, sizeof section, "%d_%d", SlotIdx, ChIdx);
    // The key writer only rewrites an existing file; a board that never had a
    // calibration file gets an empty one so that the first table is not lost.
    if (access(CALIBFILE, F_OK) != 0) {
        FILE* f = fopen(CALIBFILE, "a");
        if (f) fclose(f);
    }
    ReadIni.WriteField(CALIBFILE, section, "Voltage", JoinList(lists[0].c_str(), "Voltage").c_str());
    ReadIni.WriteField(CALIBFILE, section, "True", JoinList(lists[1].c_str(), "True").c_str());
}
