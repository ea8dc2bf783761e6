#include "readini.h"

#include "console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" {
#include <iniparser.h>
}

READINI ReadIni;

int READINI::TrimLeft(char* Buf, char TrimChar) {
    if (!Buf || Buf[0] == '\0') return 0;
    size_t n = 0;
    while (Buf[n] != '\0' && Buf[n] == TrimChar)
        ++n;
    if (n == 0) return 0;
    memmove(Buf, Buf + n, strlen(Buf + n) + 1);
    return 1;
}

int READINI::TrimRight(char* Buf, char TrimChar) {
    if (!Buf || Buf[0] == '\0') return 0;
    size_t len = strlen(Buf);
    size_t end = len;
    while (end > 0 && Buf[end - 1] == TrimChar)
        --end;
    if (end == len) return 0;
    Buf[end] = '\0';
    return 1;
}

int READINI::Trim(char* Buf) {
    // Each pass removes one kind of character from one end; repeat until
    // nothing changes so that mixed runs like " \t x\r\n" come off completely.
    while (TrimRight(Buf, ' ') || TrimLeft(Buf, ' ') || TrimRight(Buf, '\n') || TrimLeft(Buf, '\n') ||
           TrimRight(Buf, '\r') || TrimLeft(Buf, '\r') || TrimRight(Buf, '\t') || TrimLeft(Buf, '\t')) {
    }
    return 1;
}

int READINI::TrimBlank(char* Buf) {
    while (TrimRight(Buf, ' ') || TrimLeft(Buf, ' ')) {
    }
    return 1;
}

// Locates field Idx of str: [*begin, *end). Returns 1 when the field exists.
static int LocateField(const char* str, int Idx, char SplitChar, const char** begin, const char** end) {
    if (!str || Idx < 0) return 0;
    int counter = 0;
    const char* start = str;
    const char* p = str;
    for (; *p != '\0'; ++p) {
        if (*p != SplitChar) continue;
        if (counter == Idx) break;
        ++counter;
        start = p + 1;
    }
    if (counter != Idx) return 0;
    *begin = start;
    *end = p;
    return 1;
}

int READINI::GetField2(const char* str, char* Field, int Idx, char SplitChar) {
    if (!Field) return 0;
    const char *b = nullptr, *e = nullptr;
    if (!LocateField(str, Idx, SplitChar, &b, &e)) {
        Field[0] = '\0';
        return 0;
    }
    size_t n = static_cast<size_t>(e - b);
    memmove(Field, b, n); // Field may be str itself
    Field[n] = '\0';
    return 1;
}

int READINI::GetField2(const char* str, char* Field, size_t FieldSize, int Idx, char SplitChar) {
    if (!Field || FieldSize == 0) return 0;
    const char *b = nullptr, *e = nullptr;
    if (!LocateField(str, Idx, SplitChar, &b, &e)) {
        Field[0] = '\0';
        return 0;
    }
    size_t n = static_cast<size_t>(e - b);
    if (n > FieldSize - 1) n = FieldSize - 1;
    memmove(Field, b, n);
    Field[n] = '\0';
    return 1;
}

void READINI::GetZero(char* Buf) {
    if (!Buf) return;
    TrimLeft(Buf, ' ');
    char* lf = strchr(Buf, '\n');
    if (lf) *lf = '\0';
}

void READINI::GetZeroR(char* Buf) {
    if (!Buf) return;
    TrimLeft(Buf, ' ');
    char* sp = strchr(Buf, ' ');
    if (sp) *sp = '\0';
    char* lf = strchr(Buf, '\n');
    if (lf) *lf = '\0';
}

int READINI::Get1Par(int Num, char* Par, const char* ParStr) {
    if (!ParStr || Num < 0) return -1;
    char work[MAXBUFFER];
    snprintf(work, sizeof work, "%s", ParStr);
    char* save = nullptr;
    char* tok = strtok_r(work, ",", &save);
    for (int i = 0; tok && i < Num; ++i)
        tok = strtok_r(nullptr, ",", &save);
    if (!tok) return -1;
    GetZero(tok);
    if (Par) strcpy(Par, tok); // a token is below MAXBUFFER characters
    return 0;
}

int READINI::Get1Par(int Num, int* Par, const char* ParStr) {
    char buf[MAXBUFFER] = "";
    int r = Get1Par(Num, buf, ParStr);
    if (Par) *Par = atoi(buf);
    return r;
}

int READINI::Get1Par(int Num, float* Par, const char* ParStr) {
    char buf[MAXBUFFER] = "";
    int r = Get1Par(Num, buf, ParStr);
    if (Par) *Par = static_cast<float>(atof(buf));
    return r;
}

int READINI::Get1Par(int Num, unsigned int* Par, const char* ParStr) {
    char buf[MAXBUFFER] = "";
    int r = Get1Par(Num, buf, ParStr);
    if (Par) *Par = static_cast<unsigned int>(atoi(buf));
    return r;
}

int READINI::Get1Par(int Num, long* Par, const char* ParStr) {
    char buf[MAXBUFFER] = "";
    int r = Get1Par(Num, buf, ParStr);
    if (Par) *Par = atol(buf);
    return r;
}

// Reads one key; the value goes to OutStr (cut to OutSize - 1 characters unless
// OutSize is 0, which means the caller's buffer has no known size).
static int ReadKey(const char* FileName, const char* Group, const char* Item, char* OutStr, size_t OutSize) {
    if (!FileName) return -1;
    FILE* f = fopen(FileName, "r");
    if (!f) return -1;
    fclose(f);
    dictionary* ini = iniparser_load(FileName);
    if (!ini) return -2;
    std::string key = std::string(Group ? Group : "") + ":" + (Item ? Item : "");
    const char* value = iniparser_getstring(ini, key.c_str(), nullptr);
    if (value) {
        if (OutStr) {
            if (OutSize == 0) {
                strcpy(OutStr, value);
            } else {
                snprintf(OutStr, OutSize, "%s", value);
            }
        }
    } else {
        pthread_mutex_lock(&DispLock);
        printf("%s not found\n", key.c_str());
        fflush(stdout);
        pthread_mutex_unlock(&DispLock);
    }
    iniparser_freedict(ini);
    return 0;
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, char* OutStr) {
    return ReadKey(FileName, Group, Item, OutStr, 0);
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, char* OutStr,
                      size_t OutSize) {
    if (OutSize == 0) OutStr = nullptr; // nothing fits; still report the key's state
    return ReadKey(FileName, Group, Item, OutStr, OutSize);
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, int, char* OutStr) {
    return ReadKey(FileName, Group, Item, OutStr, 0);
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, int, int& OutStr) {
    char buf[300] = "";
    int r = ReadKey(FileName, Group, Item, buf, sizeof buf);
    OutStr = atoi(buf);
    return r;
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, int, float& OutStr) {
    char buf[300] = "";
    int r = ReadKey(FileName, Group, Item, buf, sizeof buf);
    OutStr = static_cast<float>(atof(buf));
    return r;
}

int READINI::GetField(const char* FileName, const char* Group, const char* Item, int, long& OutStr) {
    char buf[300] = "";
    int r = ReadKey(FileName, Group, Item, buf, sizeof buf);
    OutStr = atol(buf);
    return r;
}

// The parser reads lines of at most 1022 characters, and the writer pads a key
// to 30 characters before " = ".
size_t IniValueRoom(const char* Item) {
    const size_t line = 1022;
    size_t key = Item ? strlen(Item) : 0;
    if (key < 30) key = 30;
    return key + 3 >= line ? 0 : line - key - 3;
}

int READINI::WriteField(const char* FileName, const char* Group, const char* Item, const char* InStr) {
    if (!FileName) return -1;
    FILE* f = fopen(FileName, "r");
    if (!f) return -1;
    fclose(f);
    if (strlen(InStr ? InStr : "") > IniValueRoom(Item)) return -4;
    dictionary* ini = iniparser_load(FileName);
    if (!ini) return -2;
    std::string section = Group ? Group : "";
    std::string key = section + ":" + (Item ? Item : "");
    // A key is only written back under an existing section, so a new
    // section is declared first; otherwise the value would silently vanish.
    if (!iniparser_find_entry(ini, section.c_str())) iniparser_set(ini, section.c_str(), nullptr);
    iniparser_set(ini, key.c_str(), InStr);
    f = fopen(FileName, "w");
    if (!f) {
        iniparser_freedict(ini);
        return -3;
    }
    iniparser_dump_ini(ini, f);
    fclose(f);
    iniparser_freedict(ini);
    return 1;
}

const char* READINI::GetVersion() {
    return "1.30";
}
