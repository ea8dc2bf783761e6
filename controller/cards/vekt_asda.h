// Servo-drive card: four servo channels with pulse generator, encoder counter and
// software position, a table of stored target positions per channel, and sixteen
// digital I/O lines.
#pragma once
#include <mutex>

#include "potgroup.h"
#include "vekt_man.h"

#define MAXSERVONUM 4

typedef long DGPOS[MAXSERVONUM][MAXPOTNUM];

class CVekt_ASDA : public CVekt_MANAGER {
  public:
    CVekt_ASDA();

    void SetSlotID(unsigned char nSlotID) override;
    void InitHardware() override;
    int GetHardVer() override;
    int GetHardType() override;
    char* GetHardTypeName(char* TypeName) override;
    int GetHardData(char* HardInfo, int HardInfoLen) override;
    unsigned char InB(unsigned short port) override;
    void OutB(unsigned short port, unsigned char byte) override;
    HILOW DigIn(int ChIdx) override;
    int Cmd_OUT(int ChIdx, void* pArgc) override;
    int Cmd_LD(int ChIdx, void* pArgc) override;
    int Cmd_MOT(int ChIdx, void* pArgc) override;
    int Cmd_LMOT(int ChIdx, void* pArgc) override;
    int Cmd_RSTZ(int ChIdx, void* pArgc) override;
    int Cmd_DG(int ChIdx, void* pArgc) override;
    int Cmd_LDG(int ChIdx, void* pArgc) override;
    int Cmd_ROW(int ChIdx, void* pArgc) override;
    int Cmd_ROCLR(int ChIdx, void* pArgc) override;
    int Cmd_SETPOT(int ChIdx, void* pArgc) override;

    // Encoder counter of a channel (0 outside 0-3).
    long GetCount(int ChIdx);
    // Software position of a channel into *out: 1, or -1 for a channel outside 0-3 or
    // a null out (nothing written).
    int GetCountABS(int ChIdx, long* out);
    // Pulse-count register in steps, negative for direction 1 (0 outside 0-3).
    long GetCountReg(int ChIdx);
    // Direction bit of the channel's ControlByte (0 outside 0-3).
    unsigned char GetDirReg(int ChIdx);
    void ClearCount(int ChIdx);
    void StepMotorRun(int ChIdx, unsigned int Step, unsigned char Dir, unsigned char Force,
                      unsigned char EnExtStop, unsigned char ExtStopCH, unsigned char StopSensorDir,
                      unsigned char StepFreq, unsigned char EnCntStop, unsigned int StepStop);
    void SetMotorParamter(int ChIdx, unsigned char MotorDir, unsigned char ExtStopCH, unsigned char STOPDir,
                          unsigned char Force, unsigned char EnExStop, unsigned char EnCntStop);
    void SetMotorRunParamter(int ChIdx, unsigned char StepFreq, unsigned int StepNum,
                             unsigned int StepStopNum);

    unsigned int CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned char SlotID;
    unsigned char TypeID;

    unsigned short ServoCHAddr;
    unsigned short ServoNum08Addr, ServoNumL8Addr, ServoNumM8Addr, ServoNumH8Addr;
    unsigned short ServoMotorCtrlAddr;
    unsigned short ServoFreqAddr;
    unsigned short ServoClrAddr;
    unsigned short EnCodeClrAddr;
    unsigned short EnCode08Addr, EnCodeL8Addr, EnCodeM8Addr, EnCodeH8Addr;
    unsigned short ServoBusyAddr;
    unsigned short ServoStartAddr;
    unsigned short ServoNumStop08Addr, ServoNumStopL8Addr, ServoNumStopM8Addr, ServoNumStopH8Addr;
    unsigned short ABSEnCode08Addr, ABSEnCodeL8Addr, ABSEnCodeM8Addr, ABSEnCodeH8Addr;
    unsigned short EnCodeFilterAddr;
    unsigned int DigIOLAddr, DigIOHAddr;

    unsigned char DigReg; // output shadow, shared by both I/O registers
    long ABSCount[MAXSERVONUM];
    POTGROUP m_PotData[MAXSERVONUM];

    unsigned char ServoMotorCtrlReg;
    unsigned char ServoFreqReg;
    unsigned int ServoNumReg;
    unsigned int ServoNumStopReg;

    unsigned char MotorDir, STOPDIR, EnSTOPSense, ChannelNo;
    unsigned char ServoClrReg, EnCodeClrReg;
    unsigned int EnCodeReg;
    unsigned char ServoBusyReg, ServoStart;
    DGPOS DGPos;

  private:
    // Held around every channel-select sequence and every change of the shadows,
    // positions and tables: tasks and the status sender share one channel-select
    // register and one output shadow. Taken before HardLock, never while holding it.
    std::recursive_mutex CardLock;
};
