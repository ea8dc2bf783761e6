#include "synx.h"

#include "readini.h"
#include "stricmp.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

const char SYNXCMD[SYNMAX][20] = {
    "NUL",     "LD",       "OUT",     "FL",   "PARAM", "DG",     "#LE",      "END",     "MOT",
    "LDG",     "DLY",      "GO",      "RSTZ", "MFL0",  "MFL1",   "MFL2",     "MFL0END", "MFL1END",
    "MFL2END", "EXIT",     "RSTMOT",  "LMOT", "SMOT",  "MOZ",    "IF",       "RSTMOZ",  "LMOZ",
    "LED",     "G_ST",     "DGO",     "LDGI", "ROW",   "ROCLR",  "OUTE",     "G_AR",    "G_AL",
    "G_DEBUG", "G_ADD_VD", "G_C_NET", "LDI",  "OUTI",  "G_LINK", "G_SETPOT", "G_CALIB"};

SYNX SynxClass;
// Start-up may initialise it again before any task runs; a static
// initialiser keeps the gate usable in programs that do not.
pthread_mutex_t SynxLock = PTHREAD_MUTEX_INITIALIZER;

namespace {

enum Form { FORM_N1, FORM_N0, FORM_E0, FORM_K2, FORM_K3 };

Form FormOf(SYNXIDX Code) {
    switch (Code) {
    case SYN_FL:
    case SYN_DLY:
    case SYN_G_ST:
    case SYN_G_AR:
    case SYN_G_DEBUG:
        return FORM_N1;
    case SYN_LINE:
    case SYN_GO:
        return FORM_N0;
    case SYN_END:
    case SYN_EXIT:
        return FORM_E0;
    case SYN_LDG:
    case SYN_RSTZ:
    case SYN_LMOT:
        return FORM_K2;
    default:
        return FORM_K3;
    }
}

// Every field of a line shorter than SYNLINEMAX fits.
struct LineBuf {
    char s[SYNLINEMAX + 24];
};

void CopyOut(char* Dst, const char* Src) {
    if (!Dst) return;
    size_t n = strnlen(Src, SYNLINEMAX - 1);
    memcpy(Dst, Src, n);
    Dst[n] = '\0';
}

} // namespace

SYNXIDX SYNX::Explain(const char* CmdName, int* SlotIdx, int* ChIdx, char* Param, char* CommentStr) {
    int dummySlot = 0, dummyCh = 0;
    if (!SlotIdx) SlotIdx = &dummySlot;
    if (!ChIdx) ChIdx = &dummyCh;
    *ChIdx = -1;
    if (!CmdName || strlen(CmdName) >= SYNLINEMAX) return SYN_NUL;

    LineBuf inst, comment, keyword, args, arg;
    ReadIni.GetField2(CmdName, inst.s, sizeof inst.s, 0, ';');
    if (!ReadIni.GetField2(CmdName, comment.s, sizeof comment.s, 1, ';')) comment.s[0] = '\0';
    ReadIni.Trim(comment.s);
    CopyOut(CommentStr, comment.s);

    ReadIni.GetField2(inst.s, keyword.s, sizeof keyword.s, 0, ':');
    ReadIni.Trim(keyword.s);
    int code = -1;
    for (int i = 0; i < SYNMAX; ++i) {
        if (stricmp(keyword.s, SYNXCMD[i]) == 0) {
            code = i;
            break;
        }
    }
    if (code < 0) return SYN_NUL;
    SYNXIDX idx = static_cast<SYNXIDX>(code);
    Form form = FormOf(idx);
    if (form == FORM_E0) return idx;

    if (!ReadIni.GetField2(inst.s, args.s, sizeof args.s, 1, ':')) return SYN_NUL;
    if (!ReadIni.GetField2(args.s, arg.s, sizeof arg.s, 0, ',')) return SYN_NUL;
    if (form == FORM_N1 || form == FORM_N0) {
        if (form == FORM_N1) {
            ReadIni.Trim(arg.s);
            CopyOut(Param, arg.s);
        }
        *SlotIdx = atoi(arg.s);
        return idx;
    }

    *SlotIdx = atoi(arg.s);
    if (!ReadIni.GetField2(args.s, arg.s, sizeof arg.s, 1, ',')) return SYN_NUL;
    *ChIdx = atoi(arg.s);
    if (form == FORM_K2) {
        if (!ReadIni.GetField2(args.s, arg.s, sizeof arg.s, 2, ',')) arg.s[0] = '\0';
        ReadIni.Trim(arg.s);
        CopyOut(Param, arg.s);
        return idx;
    }
    if (Param) {
        if (!ReadIni.GetField2(args.s, arg.s, sizeof arg.s, 2, ',')) return SYN_NUL;
        ReadIni.Trim(arg.s);
        CopyOut(Param, arg.s);
    }
    return idx;
}

int GoFileLine(FILE* Fptr, int LineIdx) {
    if (!Fptr) return 0;
    rewind(Fptr);
    char line[1024];
    char field[1024];
    int counter = 0;
    while (fgets(line, sizeof line, Fptr)) {
        ++counter;
        ReadIni.GetField2(line, field, sizeof field, 0, ':');
        ReadIni.Trim(field);
        if (stricmp(field, SYNXCMD[SYN_LINE]) != 0) continue;
        if (!ReadIni.GetField2(line, field, sizeof field, 1, ':')) continue;
        ReadIni.Trim(field);
        if (atoi(field) == LineIdx) return counter;
    }
    return 0;
}

static bool IsActionCode(int Code) {
    switch (Code) {
    case SYN_LD:
    case SYN_OUT:
    case SYN_DG:
    case SYN_MOT:
    case SYN_LDG:
    case SYN_RSTZ:
    case SYN_MOZ:
    case SYN_RSTMOZ:
    case SYN_LMOZ:
    case SYN_LED:
    case SYN_OUTE:
        return true;
    default:
        return false;
    }
}

int FilterStep(HKEY InKey, int IsStep, SYNXIDX* CmdIdx) {
    int result = 0;
    pthread_mutex_lock(&SynxLock);
    if (CmdIdx && IsActionCode(*CmdIdx) && IsStep != 0) {
        if (InKey == HKEY_RUN || InKey == HKEY_STEP || InKey == HKEY_ZERO) {
            result = 0;
        } else if (InKey == HKEY_0 || (InKey >= HKEY_1 && InKey <= HKEY_9)) {
            result = 1;
        } else {
            usleep(1);
            result = 1;
        }
    }
    pthread_mutex_unlock(&SynxLock);
    return result;
}
