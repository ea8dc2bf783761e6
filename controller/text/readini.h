// Text fields and INI files of the controller: one stateless object, ReadIni.
#pragma once
#include <cstddef>

#define MAXBUFFER 200
#define NEW 0
#define MODIFY 1

class READINI {
  public:
    int TrimLeft(char* Buf, char TrimChar);
    int TrimRight(char* Buf, char TrimChar);
    int Trim(char* Buf);
    int TrimBlank(char* Buf);
    int GetField2(const char* str, char* Field, int Idx, char SplitChar);
    // Same field rules; Field holds FieldSize bytes and a longer field is cut to fit.
    int GetField2(const char* str, char* Field, size_t FieldSize, int Idx, char SplitChar);
    void GetZero(char* Buf);
    void GetZeroR(char* Buf);
    int Get1Par(int Num, char* Par, const char* ParStr);
    int Get1Par(int Num, int* Par, const char* ParStr);
    int Get1Par(int Num, float* Par, const char* ParStr);
    int Get1Par(int Num, unsigned int* Par, const char* ParStr);
    int Get1Par(int Num, long* Par, const char* ParStr);
    int GetField(const char* FileName, const char* Group, const char* Item, char* OutStr);
    // Bounded form for new code: OutStr holds OutSize bytes, a longer value is cut to fit.
    int GetField(const char* FileName, const char* Group, const char* Item, char* OutStr, size_t OutSize);
    int GetField(const char* FileName, const char* Group, const char* Item, int Postion, char* OutStr);
    int GetField(const char* FileName, const char* Group, const char* Item, int Postion, int& OutStr);
    int GetField(const char* FileName, const char* Group, const char* Item, int Postion, float& OutStr);
    int GetField(const char* FileName, const char* Group, const char* Item, int Postion, long& OutStr);
    // 1 written, -1 no such file, -2 not parsable, -3 not writable, -4 the value
    // would make a line too long for the parser to read back (file unchanged).
    int WriteField(const char* FileName, const char* Group, const char* Item, const char* InStr);
    const char* GetVersion();
};

// Longest value WriteField can store under key Item and still read back.
size_t IniValueRoom(const char* Item);

extern READINI ReadIni;
