// Position memory of the stepper card: the last known status of each motor
// ("SMPOS.DAT") and the table of stored positions ("MOZ.POS"), both in the run
// directory as little-endian signed 32-bit integers.
#pragma once

#define MAXSTEPMOTORNUM 8
#define STEPPOSFILE "SMPOS.DAT"
#define MOZPOSFILE "MOZ.POS"
#define MOZPOSROWS 10
#define MOZPOSCOLS 32

class STEPPOS {
  public:
    STEPPOS(); // every entry -1: status unknown

    // Stores Status for ChIdx and writes the whole table. The entry changes only when
    // the file could be opened. 1 written, 0 file not writable, -1 channel out of range
    // (the file is left alone).
    int SaveStepMotorStatus(int ChIdx, int Status);
    // Reads the table when the file exists. 1 loaded, 0 missing or shorter than the
    // table (entries unchanged).
    int LoadStepMotorStatus();
    // The entry of ChIdx; -1 for a channel out of range.
    int GetStepMotorStatus(int ChIdx);

    int StepMotorStatus[MAXSTEPMOTORNUM];
};

class MOZPOS {
  public:
    MOZPOS();

    // Reads the table when the file exists. 1 loaded, 0 missing or shorter than the
    // table (entries unchanged).
    int LoadPos();

    long POS[MOZPOSROWS][MOZPOSCOLS];
};
