// Named target positions of one servo channel, loaded by G_SETPOT and driven to by DG.
#pragma once

#define MAXPOTNUM 64

struct POTDATA {
    unsigned int PotData;     // target value
    unsigned int LastPotData; // value of the entry when it was last driven to
};

class POTGROUP {
  public:
    POTGROUP();

    // Argument text "Pot=v0@v1@...": stores v0.. into the entries from 0 on, up to the
    // first missing or blank value. 1 stored, -1 null text, -2 not of that form
    // (table unchanged).
    int AddPot(void* arg);
    void RemoveAll();

    POTDATA m_Pot[MAXPOTNUM];
};
