#include "protocol.h"

#include "bytebuffer.h"
#include "console.h"
#include "handlers.h"
#include "nettask.h"
#include "public.h"
#include "readini.h"
#include "stricmp.h"
#include "vekt_man.h"
#include "wakeup.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void Say(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    pthread_mutex_lock(&DispLock);
    vprintf(format, ap);
    fflush(stdout);
    pthread_mutex_unlock(&DispLock);
    va_end(ap);
}

int FindKey(const char* Src, const char* Key, char* Result, size_t ResultSize) {
    if (!Src || !Key || !Result || ResultSize == 0) return -1;
    char item[NETKEYMAX + 1];
    char key[NETKEYMAX + 1];
    char value[NETKEYMAX + 1];
    const char* p = Src;
    for (int pos = 1;; ++pos) {
        const char* semi = strchr(p, ';');
        size_t len = semi ? static_cast<size_t>(semi - p) : strlen(p);
        size_t keep = len > NETKEYMAX ? NETKEYMAX : len;
        memcpy(item, p, keep);
        item[keep] = '\0';
        ReadIni.GetField2(item, key, sizeof key, 0, '=');
        ReadIni.Trim(key);
        if (stricmp(key, Key) == 0) {
            if (!ReadIni.GetField2(item, value, sizeof value, 1, '=')) value[0] = '\0';
            ReadIni.Trim(value);
            snprintf(Result, ResultSize, "%s", value);
            return pos;
        }
        if (!semi) return -1;
        p = semi + 1;
    }
}

int FindKey(const char* Src, const char* Key, char* Result) {
    return FindKey(Src, Key, Result, NETKEYMAX + 1);
}

unsigned short SndCheckSum(const char* Data, short PackSize) {
    if (!Data || PackSize <= 0) return 0;
    unsigned int sum = 0;
    for (short i = 0; i < PackSize; ++i)
        sum += static_cast<unsigned char>(Data[i]);
    return static_cast<unsigned short>((0x10000u - (sum & 0xFFFFu)) & 0xFFFFu);
}

int NetFeed(const char* data, int len) {
    // One receive thread feeds the stream; the lock only guards against a second.
    static pthread_mutex_t feedLock = PTHREAD_MUTEX_INITIALIZER;
    if (!data || len <= 0) return 0;
    static char frame[BUFFER_SIZE];
    int taken = 0;
    pthread_mutex_lock(&feedLock);
    m_RecvBuffer.append(data, static_cast<size_t>(len));
    int shown = static_cast<int>(strnlen(data, static_cast<size_t>(len)));
    for (;;) {
        m_RecvBuffer >> frame;
        Pprintf(DUG_NET_LV1, "TaskUdp: ---Server received[%d]:message=%.*s [pszData=%s] \n", len, shown, data,
                frame);
        if (frame[0] == '\0') break;
        ++taken;
        NetTask.AddTask(frame);
    }
    // Everything taken: start again at the front instead of growing on.
    if (m_RecvBuffer.mReadPos == m_RecvBuffer.mWritePos) {
        m_RecvBuffer.mReadPos = 0;
        m_RecvBuffer.mWritePos = 0;
    }
    pthread_mutex_unlock(&feedLock);
    if (taken > 0) PlcWake(); // an idle PLC task takes the command at once
    return taken;
}

// Decimal value of a key (atoi rules), held within int so that a huge number
// never wraps into a valid card index.
static int KeyInt(const char* Body, const char* Key, long* Value) {
    char text[NETKEYMAX + 1];
    if (FindKey(Body, Key, text, sizeof text) < 0) return 0;
    long v = strtol(text, nullptr, 10);
    if (v > INT_MAX) v = INT_MAX;
    if (v < -INT_MAX) v = -INT_MAX;
    *Value = v;
    return 1;
}

int AddMsg2VD(char* NetMessage) {
    if (!NetMessage) return -1;
    if (NetMessage[0] == '\0') return 0;
    Say("AddMsg2VD: %s\n", NetMessage);
    CVekt_MANAGER* net = GetCard(13);
    if (!net) return 0;
    net->Parse(NetMessage);
    return 1;
}

int NetCmdStep(char* szTaskBuf) {
    char local[NETTASKSTR];
    char* body = szTaskBuf ? szTaskBuf : local;
    int code = NetTask.GetTask(body);
    long slot = 0, ch = 0, value = 0;
    char param[128];
    switch (code) {
    case CTL_STEP: {
        if (!KeyInt(body, "SlotID", &slot) || !KeyInt(body, "ChIdx", &ch) ||
            !KeyInt(body, "CTL_STEP", &value))
            break;
        int dir = value > 0 ? 0 : 1;
        long step = value < 0 ? -value : value;
        Say("NetCmdIdx=CTL_STEP, Step=%ld Dir=%d\n", step, dir);
        snprintf(param, sizeof param, "%ld&200&%d&0&0&0&0&0&0&0&0", step, dir);
        Task_MOT(static_cast<int>(slot), static_cast<int>(ch), param);
        break;
    }
    case CTL_CLRCNT:
        if (!KeyInt(body, "SlotID", &slot) || !KeyInt(body, "ChIdx", &ch)) break;
        Say("NetCmdIdx=CTL_CLRCNT, SlodIdx=%ld ChIdx=%d\n", slot, static_cast<int>(ch));
        Task_ROCLR(static_cast<int>(slot), static_cast<int>(ch), nullptr);
        break;
    case CTL_OUT: {
        Say("-=---------%s-----\n", body);
        if (!KeyInt(body, "SlotID", &slot) || !KeyInt(body, "ChIdx", &ch) || !KeyInt(body, "CTL_OUT", &value))
            break;
        int level = value > 0 ? 1 : 0;
        Say("NetCmdIdx=CTL_OUT, Level=%d\n", level);
        snprintf(param, sizeof param, "%d", level);
        Task_OUT(static_cast<int>(slot), static_cast<int>(ch), param);
        break;
    }
    case CTL_DG: {
        if (!KeyInt(body, "SlotID", &slot) || !KeyInt(body, "ChIdx", &ch) || !KeyInt(body, "CTL_DG", &value))
            break;
        int pos = static_cast<int>(value < 0 ? -value : value);
        Say("NetCmdIdx=CTL_DG, lodIdx=%ld, ChIdx=%d, POS=%d\n", slot, static_cast<int>(ch), pos);
        snprintf(param, sizeof param, "%d", pos);
        Task_DG(static_cast<int>(slot), static_cast<int>(ch), param);
        break;
    }
    case CTL_LINK:
        AddMsg2VD(body);
        break;
    default:
        break;
    }
    return code;
}
