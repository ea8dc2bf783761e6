/* A stand-in station program: what an application program of an inspection
 * line does with the station library, in plain C. Built in two forms:
 * linked against the library's import library (or shared object), and, with
 * STATION_DYNAMIC, loading it at run time and looking up every function
 * (LoadLibraryA/GetProcAddress, dlopen/dlsym), as many station programs do.
 *
 *   station write <name>      reads the environment, sets the station name
 *                             (item 1) and switches the log on, saves; then
 *                             writes and reads back a standard packet
 *   station read              prints the station name
 *   station log <n> <end>     posts n log records, then ends: "exit" returns
 *                             from main; "held" returns with every record
 *                             still queued (the day file could not be opened
 *                             while they were posted); "unload" (dynamic
 *                             form) unloads the library first
 * Prints "ok" (or the name) and exits with 0 on success. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "dorlix.h"
#include "station_host.h"

enum { RECORD_SIZE = 188910, ITEMS = 4110, ITEM_SIZE = 616, VALUE_SIZE = 256 };
enum { STATION_NAME = 1, DEBUG_SET = 189 };
enum { PACKET_SIZE = 150000, INFO_KIND = 40, INFO_SIZE = 52 };

/* The library's functions, however they were bound. */
struct Library {
    int (*GetSysEnvStrSize)(void);
    int (*GetSysEnv)(void*);
    int (*SaveSysEnv)(const void*, int);
    int (*WriteStdHead)(void*, void*);
    int (*WriteStdHead_Info)(void*, int, const char*);
    int (*ParseStdHead_Info)(const void*, int, void*);
    int (*SaveLog)(const char*, const char*);
};

#ifdef STATION_DYNAMIC
static void* g_module;

static void* Find(const char* name) {
    void* f = HostFind(g_module, name);
    if (!f) fprintf(stderr, "station: %s not exported\n", name);
    return f;
}

static int Bind(struct Library* lib) {
    g_module = HostLoad();
    if (!g_module) {
        fprintf(stderr, "station: cannot load the library\n");
        return 0;
    }
    *(void**)&lib->GetSysEnvStrSize = Find("GetSysEnvStrSize");
    *(void**)&lib->GetSysEnv = Find("GetSysEnv");
    *(void**)&lib->SaveSysEnv = Find("SaveSysEnv");
    *(void**)&lib->WriteStdHead = Find("WriteStdHead");
    *(void**)&lib->WriteStdHead_Info = Find("WriteStdHead_Info");
    *(void**)&lib->ParseStdHead_Info = Find("ParseStdHead_Info");
    *(void**)&lib->SaveLog = Find("SaveLog");
    return lib->GetSysEnvStrSize && lib->GetSysEnv && lib->SaveSysEnv && lib->WriteStdHead &&
           lib->WriteStdHead_Info && lib->ParseStdHead_Info && lib->SaveLog;
}

static int Unbind(void) {
    if (!HostUnload(g_module)) {
        fprintf(stderr, "station: the library stays loaded\n");
        return 0;
    }
    return 1;
}
#else
static int Bind(struct Library* lib) {
    lib->GetSysEnvStrSize = GetSysEnvStrSize;
    lib->GetSysEnv = GetSysEnv;
    lib->SaveSysEnv = SaveSysEnv;
    lib->WriteStdHead = WriteStdHead;
    lib->WriteStdHead_Info = WriteStdHead_Info;
    lib->ParseStdHead_Info = ParseStdHead_Info;
    lib->SaveLog = SaveLog;
    return 1;
}

static int Unbind(void) {
    fprintf(stderr, "station: a linked library cannot be unloaded\n");
    return 0;
}
#endif

static char* ItemValue(char* record, int item) {
    return record + ITEMS + ITEM_SIZE * item;
}

static int ReadRecord(struct Library* lib, char** record) {
    int size = lib->GetSysEnvStrSize();
    if (size != RECORD_SIZE) {
        fprintf(stderr, "station: record size %d\n", size);
        return 0;
    }
    *record = (char*)calloc(1, RECORD_SIZE);
    if (!*record) return 0;
    lib->GetSysEnv(*record);
    return 1;
}

static int PacketRoundTrip(struct Library* lib) {
    unsigned char head[21] = {0};
    unsigned char info[INFO_SIZE];
    unsigned char* pack = (unsigned char*)calloc(1, PACKET_SIZE);
    int ok;
    if (!pack) return 0;
    head[14] = INFO_KIND;
    ok = lib->WriteStdHead(pack, head) == 1 && lib->WriteStdHead_Info(pack, 1001, "Station A") == 2 &&
         lib->WriteStdHead_Info(pack, 1002, "Lane 2") == 2 && lib->WriteStdHead_Info(pack, 1001, "Station B") == 1 &&
         lib->ParseStdHead_Info(pack, 1001, info) == 1 && strcmp((const char*)info + 2, "Station B") == 0 &&
         info[0] == (1001 & 0xFF) && info[1] == (1001 >> 8) && lib->ParseStdHead_Info(pack, 1003, info) == 0;
    free(pack);
    if (!ok) fprintf(stderr, "station: the packet did not read back\n");
    return ok;
}

static int Write(struct Library* lib, const char* name) {
    char* record;
    if (!ReadRecord(lib, &record)) return 1;
    memset(ItemValue(record, STATION_NAME), 0, VALUE_SIZE);
    strncpy(ItemValue(record, STATION_NAME), name, VALUE_SIZE - 1);
    strcpy(ItemValue(record, DEBUG_SET), "1,0");
    if (lib->SaveSysEnv(record, 0) != 1) {
        fprintf(stderr, "station: not saved\n");
        return 1;
    }
    free(record);
    if (!PacketRoundTrip(lib)) return 1;
    printf("ok\n");
    return 0;
}

static int Read(struct Library* lib) {
    char* record;
    if (!ReadRecord(lib, &record)) return 1;
    printf("%s\n", ItemValue(record, STATION_NAME));
    free(record);
    return 0;
}

/* Today's log file of the library, relative to the current folder. */
static void DayFile(char* path, size_t size) {
    time_t now = time(NULL);
    struct tm* t = localtime(&now);
    snprintf(path, size, "Log/%04d%02d%02d.log", t->tm_year + 1900, t->tm_mon + 1, t->tm_mday);
}

static int Log(struct Library* lib, int n, const char* end) {
    char* record;
    char text[64], day[64];
    int i;
    /* The log switch is read with the environment. */
    if (!ReadRecord(lib, &record)) return 1;
    free(record);
    /* A folder in the day file's place: no writer can open it. */
    DayFile(day, sizeof day);
    if (strcmp(end, "held") == 0) {
        HostMakeFolder("Log");
        if (HostMakeFolder(day) != 0) {
            fprintf(stderr, "station: cannot hold the day file\n");
            return 1;
        }
    }
    for (i = 0; i < n; ++i) {
        sprintf(text, "record %d", i);
        if (lib->SaveLog("Station", text) != 1) {
            fprintf(stderr, "station: record %d refused\n", i);
            return 1;
        }
    }
    if (strcmp(end, "unload") == 0 && !Unbind()) return 1;
    if (strcmp(end, "held") == 0) HostRemoveFolder(day);
    printf("ok\n");
    return 0;
}

int main(int argc, char** argv) {
    struct Library lib;
    memset(&lib, 0, sizeof lib);
    if (argc < 2) {
        fprintf(stderr, "usage: station write <name> | read | log <n> exit|held|unload\n");
        return 2;
    }
    if (!Bind(&lib)) return 1;
    if (strcmp(argv[1], "write") == 0 && argc == 3) return Write(&lib, argv[2]);
    if (strcmp(argv[1], "read") == 0) return Read(&lib);
    if (strcmp(argv[1], "log") == 0 && argc == 4) return Log(&lib, atoi(argv[2]), argv[3]);
    fprintf(stderr, "station: bad arguments\n");
    return 2;
}
