// Stepper-motor card (model 0x81): eight motor channels behind one channel-select
// register, each with a step generator, an encoder counter, a busy bit and a start
// strobe, plus sixteen I/O lines.
#pragma once
#include <mutex>

#include "steppos.h"
#include "vekt_man.h"

class CVekt_STMTR : public CVekt_MANAGER {
  public:
    CVekt_STMTR();

    int SetFaultReport(int ErrorNo) override;
    int GetFaultReport(void* ErrorInfo) override;
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
    // Argument "Step&StepFreq&Dir[&Force&EnExtStop&ExtStopCH&StopSensorDir&StartStep
    // &CompensateStep&EnCntStop&StepStop]": 0 when one of the first three is missing.
    int Cmd_MOT(int ChIdx, void* pArgc) override;
    int Cmd_LMOT(int ChIdx, void* pArgc) override;
    int Cmd_ROW(int ChIdx, void* pArgc) override;
    int Cmd_ROCLR(int ChIdx, void* pArgc) override;

    long GetCount(int ChIdx);    // encoder counter, signed; 0 outside 0-7
    long GetCountABS(int ChIdx); // same as GetCount
    long GetCountReg(int ChIdx); // step-count register, negative for direction 1
    unsigned char GetDirReg(int ChIdx);
    void ClearCount(int ChIdx);
    int IsMotRunEnd(unsigned char ChIdx); // 1 when the busy bit of ChIdx is clear

    void SetMotorParamter(int ChIdx, unsigned char MotorDir, unsigned char STOPDir, unsigned char Force,
                          unsigned char EnExStop, unsigned char EnCntStop);
    void SetMotorRunParamter(int ChIdx, unsigned char StepFreq, unsigned short StepStarNum,
                             unsigned int StepNum, unsigned short StepNumCompensate,
                             unsigned int StepStopNum);
    void StepMotorRun(int ChIdx, unsigned int Step, unsigned char Dir, unsigned char Force,
                      unsigned char EnExtStop, unsigned char StopSensorDir, unsigned char StepFreq,
                      unsigned short StartStep, unsigned short CompensateStep, unsigned char EnCntStop,
                      unsigned int StepStop);

    // Mileage counting is not provided by this card.
    float GetMileageCount(int ChIdx);
    void AllowMileageCount(int ChIdx, int Allow);

    unsigned char CPUAddr;
    unsigned int VerAddr;
    unsigned int TypeAddr;
    unsigned char SlotID;
    unsigned char TypeID;

    unsigned short StepCHAddr;
    unsigned short StepMotorCtrlAddr;
    unsigned short StepFreqAddr;
    unsigned short StepStarNumAddrL, StepStarNumAddrH;
    unsigned short StepNum08Addr, StepNumL8Addr, StepNumM8Addr, StepNumH8Addr;
    unsigned short StepNumCompensateL, StepNumCompensateH;
    unsigned short StepClrAddr;
    unsigned short EnCodeClrAddr;
    unsigned short EnCode08Addr, EnCodeL8Addr, EnCodeM8Addr, EnCodeH8Addr;
    unsigned short StepBusyAddr;
    unsigned short StepStartAddr;
    unsigned short StepNumStop08Addr, StepNumStopL8Addr, StepNumStopM8Addr, StepNumStopH8Addr;
    unsigned int FaultAddr;
    unsigned int PortSWAddr;
    unsigned short StepOutLAddr, StepOutHAddr;

    // Last values written.
    unsigned char StepMotorCtrlReg;
    unsigned char StepFreqReg;
    unsigned short StepStarNumReg;
    unsigned int StepNumReg;
    unsigned short StepNumCompensateReg;
    unsigned int StepNumStopReg;

    unsigned char MotorDir, STOPDIR, EnSTOPSense, ChannelNo;
    unsigned char StepClrReg, EnCodeClrReg, StepBusyReg, StepStart;
    unsigned int EnCodeReg;

    STEPPOS StepPos;
    MOZPOS MozPos;

  private:
    // The channel-select register and the I/O line registers are shared by all
    // channels: a select-then-access sequence or a read-modify-write holds this lock,
    // so that tasks driving different channels of one card do not mix their writes.
    std::recursive_mutex CardLock;

    unsigned char In(unsigned int port) { return InB(static_cast<unsigned short>(port)); }
    void Out(unsigned int port, unsigned char byte) { OutB(static_cast<unsigned short>(port), byte); }
    unsigned int ReadLong(unsigned short b0, unsigned short b1, unsigned short b2, unsigned short b3);
};
