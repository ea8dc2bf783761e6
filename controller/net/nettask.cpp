#include "nettask.h"

#include "console.h"
#include "protocol.h"
#include "readini.h"
#include "stricmp.h"

#include <cstdio>
#include <cstring>

const char NETCMD[MAXNETCMD][20] = {"NUL", "CTL_STEP", "CTL_CLRCNT", "CTL_OUT", "CTL_DG", "CTL_LINK"};

NETTASK NetTask;

NETTASK::NETTASK() : TaskInIdx(0), TaskOutIdx(0) {
    memset(TaskBuff, 0, sizeof TaskBuff);
    memset(TaskCmd, 0, sizeof TaskCmd);
    pthread_mutex_init(&Lock, nullptr);
}

int NETTASK::AddTask(const char* NewTask) {
    char body[NETBODYMAX + 1];
    if (!NewTask || !ReadIni.GetField2(NewTask, body, sizeof body, 1, ':')) return 0;
    char word[NETBODYMAX + 1];
    if (FindKey(body, "CMD", word, sizeof word) < 0) return 0;
    int code = -1;
    for (int i = 0; i < MAXNETCMD; ++i) {
        if (stricmp(word, NETCMD[i]) == 0) {
            code = i;
            break;
        }
    }
    // An unknown command is refused before anything queued is touched.
    if (code < 0) return 0;

    pthread_mutex_lock(&Lock);
    if (TaskInIdx >= MAXNETTASK) {
        // Full: the oldest command gives way to the newest.
        memmove(TaskBuff[0], TaskBuff[1], sizeof(TaskBuff[0]) * (MAXNETTASK - 1));
        memmove(&TaskCmd[0], &TaskCmd[1], sizeof(TaskCmd[0]) * (MAXNETTASK - 1));
        TaskInIdx = MAXNETTASK - 1;
    }
    memcpy(TaskBuff[TaskInIdx], body, strlen(body) + 1);
    TaskCmd[TaskInIdx] = code;
    ++TaskInIdx;
    pthread_mutex_unlock(&Lock);

    pthread_mutex_lock(&DispLock);
    printf("AddTask: %s  [%d] OK\n", body, code);
    fflush(stdout);
    pthread_mutex_unlock(&DispLock);
    return 1;
}

int NETTASK::GetTask(char* TaskString) {
    if (!TaskString) return 0;
    pthread_mutex_lock(&Lock);
    if (TaskInIdx <= 0) {
        pthread_mutex_unlock(&Lock);
        return 0;
    }
    size_t n = strnlen(TaskBuff[0], NETTASKSTR - 1); // bodies are far shorter
    memcpy(TaskString, TaskBuff[0], n);
    TaskString[n] = '\0';
    int code = TaskCmd[0];
    int rest = TaskInIdx - 1;
    if (rest > 0) {
        memmove(TaskBuff[0], TaskBuff[1], sizeof(TaskBuff[0]) * rest);
        memmove(&TaskCmd[0], &TaskCmd[1], sizeof(TaskCmd[0]) * rest);
    }
    --TaskInIdx;
    pthread_mutex_unlock(&Lock);
    return code;
}

int NETTASK::IsTaskValid() {
    pthread_mutex_lock(&Lock);
    int valid = TaskInIdx > 0 ? 1 : 0;
    pthread_mutex_unlock(&Lock);
    return valid;
}
