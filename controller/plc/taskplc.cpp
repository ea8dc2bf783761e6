// The PLC task interpreter: runs the programs of "plc<n>/" line by line, takes
// one network command and the task's hot key on every pass, and stops every
// line while an alarm input is active.
#include "taskplc.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console.h"
#include "drvlib.h"
#include "handlers.h"
#include "nettask.h"
#include "protocol.h"
#include "readini.h"
#include "stricmp.h"
#include "synx.h"
#include "tasks.h"
#include "wakeup.h"

namespace {

std::atomic<unsigned> StopMask{0};

constexpr int PLCLINE = 1024; // a program line is read in pieces of at most 1023 characters
constexpr int PLCNAME = 200;
constexpr int PLCTEXT = 1000;

const char RESETFILE[] = "RESET.PLC";
const char FLOWFILE[] = "FLOW.PLC";
const char FIXEDIP[] = "192.168.201.55";

void PauseMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void PauseUs(int us) {
    if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

// Program files are opened, read and closed only under FileLock.
FILE* OpenProgram(const char* Path) {
    pthread_mutex_lock(&FileLock);
    FILE* f = fopen(Path, "rt");
    pthread_mutex_unlock(&FileLock);
    return f;
}

void CloseProgram(FILE* f) {
    pthread_mutex_lock(&FileLock);
    fclose(f);
    pthread_mutex_unlock(&FileLock);
}

// One line (or the next 1023-character piece of a longer one). Buf is left
// as it was at the end of the file.
bool ReadProgramLine(FILE* f, char* Buf) {
    char piece[PLCLINE];
    pthread_mutex_lock(&FileLock);
    char* got = fgets(piece, sizeof piece, f);
    pthread_mutex_unlock(&FileLock);
    if (!got) return false;
    memcpy(Buf, piece, strlen(piece) + 1);
    return true;
}

// Bounded copy: a longer text is cut to fit.
template <size_t N> void CopyText(char (&Dst)[N], const char* Src) {
    size_t n = strnlen(Src, N - 1);
    memcpy(Dst, Src, n);
    Dst[n] = '\0';
}

// "plc<n>/<Name>" into Dst; false when it does not fit (Dst then empty).
template <size_t N> bool ProgramPath(char (&Dst)[N], int TaskNo, const char* Name) {
    std::string path = "plc" + std::to_string(TaskNo) + "/" + Name;
    Dst[0] = '\0';
    if (path.size() >= N) return false;
    memcpy(Dst, path.c_str(), path.size() + 1);
    return true;
}

// State of one PLC task; it lives in the task's own thread only.
class PlcTask {
  public:
    explicit PlcTask(int No) : TaskNo(No) {}
    ~PlcTask() {
        Close(Fptr);
        Close(Fptrs);
    }
    bool Start();
    void Pass();

  private:
    void Close(FILE*& f);
    HKEY TakeKey();
    bool ApplyKey();
    bool Execute();
    bool CallFunction();
    void WaitRule(int Result) { IsWait = Result <= 0 ? 1 : 0; }
    bool OpenMain(const char* Name);
    void IdleWait(unsigned Mark, bool Worked) {
        if (!Worked) PlcIdleWait(Mark);
    }

    int TaskNo;
    char szMainFile[PLCNAME] = "RESET.PLC";
    char szLoadFile[PLCNAME] = "";
    FILE* Fptr = nullptr;       // main program
    FILE* Fptrs = nullptr;      // function file
    FILE* ComFilePtr = nullptr; // file of the last line read: where GO searches
    int FunBlock = 0;
    char szPath[PLCNAME] = "";
    char szLoadFunFile[PLCNAME] = "";
    int IsWait = 0;
    int IsStep = 0;
    int IsStepIn = 0;
    int IsResetStop = 0;
    int G_Delay = 10;
    int G_Debug = 0;
    int G_AutoRun = 0;
    HKEY HKey = HKEY_NUL;
    char Buf[PLCLINE] = "";
    SYNXIDX CmdIdx = SYN_NUL;
    int SlotIdx = 0;
    int ChIdx = 0;
    char szParam[PLCTEXT] = "";
    char szComment[PLCTEXT] = "";
    char szParam1[PLCTEXT] = "";
    char szDispFile[PLCNAME] = "";
    char szTaskBuf[NETTASKSTR] = "";
};

// Closing a file also forgets it as the target of GO: a GO line executed again
// after its file was closed finds no label instead of reading a closed file.
void PlcTask::Close(FILE*& f) {
    if (!f) return;
    if (ComFilePtr == f) ComFilePtr = nullptr;
    CloseProgram(f);
    f = nullptr;
}

bool PlcTask::Start() {
    ProgramPath(szLoadFile, TaskNo, RESETFILE);
    Fptr = OpenProgram(szLoadFile);
    if (!Fptr) {
        Wprintf(TaskNo, "%s lost Task quit!\n", szMainFile);
        return false;
    }
    Wprintf(TaskNo, "Task_PLC%d Running... MaxCard[%d]\n", TaskNo, GlobeCardInfo.CardNum);
    return true;
}

HKEY PlcTask::TakeKey() {
    if (TaskNo < 0 || TaskNo > MAXTASKNUM) return HKEY_NUL;
    return GlobeHKey[TaskNo].exchange(HKEY_NUL);
}

// Makes Name the main program; false (with its message) when it cannot be opened.
bool PlcTask::OpenMain(const char* Name) {
    Close(Fptr);
    CopyText(szMainFile, Name);
    ProgramPath(szLoadFile, TaskNo, szMainFile);
    Fptr = OpenProgram(szLoadFile);
    if (!Fptr) {
        Wprintf(TaskNo, "Load PLC%d Run: [%s] Failed!\n", TaskNo, szLoadFile);
        return false;
    }
    return true;
}

// The hot-key table. False: take the next pass at once.
bool PlcTask::ApplyKey() {
    switch (HKey) {
    case HKEY_1:
    case HKEY_2:
    case HKEY_3:
    case HKEY_4:
    case HKEY_5:
    case HKEY_Slash:
    case HKEY_Star:
        HKey = HKEY_NUL;
        break;
    case HKEY_6:
        HKey = HKEY_NUL;
        pthread_mutex_lock(&DispLock);
        puts("HKEY_6: Task Run");
        fflush(stdout);
        pthread_mutex_unlock(&DispLock);
        break;
    case HKEY_0: // stays in HKey: it holds the step gate
        Wprintf(TaskNo, "Vekt: Updata IP=%s\n", FIXEDIP);
        Fix_Userinfo_IP(FIXEDIP);
        Wprintf(TaskNo, "Vekt: Updata IP=%s end\n", FIXEDIP);
        break;
    case HKEY_Num:
        HKey = HKEY_NUL;
        szMainFile[0] = '\0'; // the next Enter loads the flow again
        PauseUs(1);
        break;
    case HKEY_Dec:
        HKey = HKEY_NUL;
        IsStep = 0;
        IsWait = 0;
        FunBlock = 0; // an open function file stays open but is no longer read
        if (!OpenMain(RESETFILE)) return false;
        break;
    case HKEY_Plus:
        HKey = HKEY_NUL;
        IsStep = 1;
        IsStepIn = 1;
        break;
    case HKEY_Enter:
        HKey = HKEY_NUL;
        Wprintf(TaskNo, "HKEY_Enter: Task Run[%s]\n", szMainFile);
        if (IsStepIn == 1) break;
        IsStep = 0;
        if (stricmp(szMainFile, FLOWFILE) != 0) {
            if (!OpenMain(FLOWFILE)) {
                PauseUs(1);
                return false;
            }
            Wprintf(TaskNo, "PLC%d Run: [%s]\n", TaskNo, szLoadFile);
        }
        break;
    case HKEY_BackSpace:
        GlobePutDebugInfo = GlobePutDebugInfo ? 0 : 1;
        if (GlobePutDebugInfo)
            Wprintf(TaskNo, "Vekt: Enable debug info out!\n");
        else
            Wprintf(TaskNo, "Vekt: Disable debug info out!\n");
        break;
    default: // no effect here; left for the step gate
        break;
    }
    return true;
}

// Enters the function file named by szParam. True: the usual pause follows
// (the file could not be opened); false: go on at once in the new file.
bool PlcTask::CallFunction() {
    CopyText(szPath, szParam);
    bool fits = ProgramPath(szLoadFunFile, TaskNo, szParam);
    Close(Fptrs);
    // A name that does not fit is a file that cannot be opened, never a shortened one.
    if (!fits) return true;
    Fptrs = OpenProgram(szLoadFunFile);
    if (!Fptrs) return true;
    FunBlock = 1;
    return false;
}

// One parsed line. True: the G_Delay pause follows.
bool PlcTask::Execute() {
    int r = 0;
    switch (CmdIdx) {
    case SYN_LD:
        Wprintf(TaskNo, "SYN_LD: SlotIdx:%d  ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        WaitRule(Task_LD(SlotIdx, ChIdx, szParam));
        break;
    case SYN_LDI:
        Wprintf(TaskNo, "SYN_LDI: SlotIdx:%d  ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        WaitRule(Task_LDI(SlotIdx, ChIdx, szParam));
        break;
    case SYN_OUT:
        r = Task_OUT(SlotIdx, ChIdx, szParam);
        if (r <= 0)
            Wprintf(TaskNo, "Task_OUT Fail[%d]:SlotIDx:%d, ChIdx:%d %s\n", r, SlotIdx, ChIdx, szParam);
        break;
    case SYN_OUTI:
        r = Task_OUTI(SlotIdx, ChIdx, szParam);
        if (r <= 0)
            Wprintf(TaskNo, "Task_OUTI Fail[%d]:SlotIDx:%d, ChIdx:%d %s\n", r, SlotIdx, ChIdx, szParam);
        break;
    case SYN_MOT:
        Wprintf(TaskNo, "SYN_MOT: SlotIdx:%d  ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        r = Task_MOT(SlotIdx, ChIdx, szParam);
        if (r > 0)
            Wprintf(TaskNo, "Task_MOT OK[%d]:SlotIDx:%d, ChIdx:%d %s\n", r, SlotIdx, ChIdx, szParam);
        else
            Wprintf(TaskNo, "Task_MOT Fail[%d]:SlotIDx:%d, ChIdx:%d %s\n", r, SlotIdx, ChIdx, szParam);
        break;
    case SYN_LMOT:
        WaitRule(Task_LMOT(SlotIdx, ChIdx, nullptr));
        break;
    case SYN_DG:
        Wprintf(TaskNo, "SYN_DG: SlotIdx:%d ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        Task_DG(SlotIdx, ChIdx, szParam);
        break;
    case SYN_LDG:
        r = Task_LDG(SlotIdx, ChIdx, nullptr);
        Wprintf(TaskNo, "SYN_LDG: SlotIdx:%d ChIdx:%d %s Res=%d\n", SlotIdx, ChIdx, szParam, r);
        WaitRule(r);
        break;
    case SYN_RSTZ:
        Wprintf(TaskNo, "SYN_RSTZ: SlotIdx:%d ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        Task_RSTZ(SlotIdx, ChIdx, nullptr);
        break;
    case SYN_ROW:
        Wprintf(TaskNo, "SYN_ROW: SlotIdx:%d ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        WaitRule(Task_ROW(SlotIdx, ChIdx, szParam));
        break;
    case SYN_ROCLR:
        Wprintf(TaskNo, "SYN_ROCLR: SlotIdx:%d ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        Task_ROCLR(SlotIdx, ChIdx, nullptr);
        break;
    case SYN_IF: {
        Wprintf(TaskNo, "SYN_IF: SlotIdx:%d ChIdx:%d %s\n", SlotIdx, ChIdx, szParam);
        // The card reads the whole condition; szPath keeps what fits for the trace.
        char cond[PLCTEXT];
        CopyText(cond, szParam);
        CopyText(szPath, szParam);
        r = Task_IF(SlotIdx, ChIdx, cond, szParam);
        if (r > 0) return CallFunction();
        break;
    }
    case SYN_FL:
        return CallFunction();
    case SYN_GO:
        GoFileLine(ComFilePtr, SlotIdx);
        break;
    case SYN_DLY:
        PauseMs(SlotIdx);
        break;
    case SYN_G_ST:
        Wprintf(TaskNo, "SYN_G_ST: G_Delay:%dms %s\n", SlotIdx, szParam);
        G_Delay = SlotIdx;
        break;
    case SYN_G_AR:
        Wprintf(TaskNo, "SYN_G_AR: Auto Run\n");
        G_AutoRun = 1;
        break;
    case SYN_G_DEBUG:
        Wprintf(TaskNo, "SYN_G_DEBUG: %d\n", SlotIdx);
        G_Debug = SlotIdx >= 1 ? 1 : 0; // a step mode already on stays on
        break;
    case SYN_G_AL:
        Wprintf(TaskNo, "SYN_G_AL: SlotID=%d CH=%d Alarm add!\n", SlotIdx, ChIdx);
        AlarmGroup.AddAlarmPoint(SlotIdx, ChIdx, atoi(szParam));
        break;
    case SYN_G_ADD_VD:
        Wprintf(TaskNo, "SYN_G_ADD_VD: SlotID=%d CH=%d VirtualCard add!\n", SlotIdx, ChIdx);
        Task_G_ADD_VD(SlotIdx, ChIdx, szParam);
        break;
    case SYN_G_SETPOT:
        Wprintf(TaskNo, "SYN_G_SETPOT:  SlotID=%d CH=%d Param: %s\n", SlotIdx, ChIdx, szParam);
        Task_G_SETPOT(SlotIdx, ChIdx, szParam);
        break;
    case SYN_G_CALIB:
        Wprintf(TaskNo, "SYN_G_CALIB:  SlotID=%d CH=%d Param: %s\n", SlotIdx, ChIdx, szParam);
        Task_G_CALIB(SlotIdx, ChIdx, szParam);
        break;
    case SYN_END:
        Wprintf(TaskNo, "SYN_END:%d \n", FunBlock);
        PauseMs(1000);
        if (FunBlock == 1) {
            Close(Fptrs); // back to the line after the call
            FunBlock = 0;
        } else if (Fptr) {
            rewind(Fptr); // the main program starts again
        }
        return false;
    case SYN_EXIT:
        if (stricmp(szMainFile, RESETFILE) == 0) {
            IsResetStop = 1;
            Wprintf(TaskNo, "%s End!\n", szMainFile);
        }
        szMainFile[0] = '\0';
        Close(Fptr);
        break;
    default:
        break;
    }
    return true;
}

void PlcTask::Pass() {
    // Taken before anything is looked at, so that work handed over during this
    // pass cuts the idle wait at its end short.
    unsigned mark = PlcWakeMark();
    bool worked = NetCmdStep(szTaskBuf) != 0;

    HKey = TakeKey();
    if (IsResetStop == 1 && G_AutoRun == 1) {
        G_AutoRun = 0;
        HKey = HKEY_Enter;
        Wprintf(TaskNo, "Vekt: AutoRun FLOW\n");
    }
    if (!ApplyKey()) return;

    // No line runs in any task while an alarm input is active.
    if (AlarmGroup.ScanAlarm()) {
        IdleWait(mark, worked);
        return;
    }
    if (G_Debug != 0) IsStep = 1;
    if (FilterStep(HKey, IsStep, &CmdIdx) == 1) {
        IdleWait(mark, worked);
        return;
    }

    if (IsWait != 1) {
        FILE* f = FunBlock == 1 ? Fptrs : Fptr;
        if (!f) {
            IdleWait(mark, worked);
            return;
        }
        // At the end of the file Buf keeps the last line, which runs again.
        if (ReadProgramLine(f, Buf)) ComFilePtr = f;
    }

    szParam[0] = '\0';
    ReadIni.Trim(Buf);
    CmdIdx = SynxClass.Explain(Buf, &SlotIdx, &ChIdx, szParam, szComment);
    if (CmdIdx == SYN_NUL) {
        PauseUs(100);
        return;
    }
    CopyText(szDispFile, FunBlock == 1 ? szPath : szMainFile);
    ReadIni.Trim(szParam);

    // A line that runs again overwrites its own trace line.
    const char* end = stricmp(Buf, szParam1) != 0 ? "\n" : "\r";
    Wprintf(TaskNo, "CmdIdx: %s(%d) SlotIdx[%d] ChIdx[%d][%s] [%s] [%s]               %s", SYNXCMD[CmdIdx],
            CmdIdx, SlotIdx, ChIdx, szParam, szComment, szDispFile, end);
    CopyText(szParam1, Buf);

    if (Execute()) PauseMs(G_Delay);
}

} // namespace

void PlcStopRequest(int TaskNo, int Stop) {
    if (TaskNo < 0 || TaskNo > MAXTASKNUM) return;
    unsigned bit = 1u << TaskNo;
    if (Stop)
        StopMask.fetch_or(bit);
    else
        StopMask.fetch_and(~bit);
    PlcWake();
}

int PlcStopRequested(int TaskNo) {
    if (TaskNo < 0 || TaskNo > MAXTASKNUM) return 0;
    return (StopMask.load() >> TaskNo) & 1u;
}

void TaskPLC(int TaskNo) {
    PlcTask task(TaskNo);
    if (!task.Start()) return;
    while (!PlcStopRequested(TaskNo))
        task.Pass();
}
