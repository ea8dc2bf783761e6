/* Dorlix: the station library. Every export, C linkage, cdecl.
 * Texts are NUL-terminated GB2312 byte strings. No export throws, and no
 * export hands out memory that the caller must free. */
#ifndef DORLIX_H
#define DORLIX_H

#if defined(_WIN32)
#  define DORLIX_CALL __cdecl
#  if defined(DORLIX_BUILD)
#    define DORLIX_API __declspec(dllexport)
#  else
#    define DORLIX_API __declspec(dllimport)
#  endif
#else
#  define DORLIX_CALL
#  define DORLIX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Frame: language texts, versions, text fields ---- */
/* @frame-begin */
/* Language texts: translation through section "LANGUE" of the language file. */
DORLIX_API char* DORLIX_CALL GetLangueString(const char* text); /* ring buffer (50 x 216 bytes) with the translation, or the text itself */
DORLIX_API int DORLIX_CALL GetLangueStringLocal(char* text); /* 1 translated in place; 0 null or longer than 2500 */
/* Versions: 1024-byte blocks. */
DORLIX_API int DORLIX_CALL GetDllVer(char* block); /* 1; block = version, description, copyright, short name (256 bytes each) */
DORLIX_API int DORLIX_CALL GetVers(const char* path, char* block); /* 1 version resource read; 0 none readable (block pre-filled) */
DORLIX_API int DORLIX_CALL JudgeVersion(const char* a, const char* b); /* 1 a equal to b or any part of a greater; else 0 */
/* Text helpers. */
DORLIX_API int DORLIX_CALL GetField(const char* text, char* out, int n); /* 1 comma field n exists; 0 otherwise (out emptied) or null */
DORLIX_API int DORLIX_CALL GetField2(const char* text, char* out, int n, char sep); /* as GetField with separator sep */
DORLIX_API int DORLIX_CALL TrimLeft(char* text, char ch); /* 1; 0 empty or null text */
DORLIX_API int DORLIX_CALL TrimRight(char* text, char ch); /* 1; 0 empty or null text */
DORLIX_API int DORLIX_CALL RemoveLastChar(char* text, char ch); /* 1; -1 empty text; 0 null */
DORLIX_API int DORLIX_CALL IsDigital(const char* text); /* 1 plain decimal number; 0 not or null; -2 longer than 500 */
DORLIX_API int DORLIX_CALL GetNumricFromString(const char* text, char* out); /* length of the first number copied to out; 0 none or null */
DORLIX_API int DORLIX_CALL MakeByPassString(char* text, int width); /* 1 shortened with dots; 0 nothing to cut or null; -1 shorter than 2; -2 fits width */
/* @frame-end */

/* ---- Environment record ---- */
/* @env-begin */
/* @env-end */

/* ---- Environment export and import ---- */
/* @import-begin */
/* @import-end */

/* ---- Identifier and line/station tables ---- */
/* @ids-begin */
/* Lookups in the identifier-table file named by environment item 170 and its companions (+"1", +"2"). */
DORLIX_API int DORLIX_CALL GetVZ5IDInfo(int id, char* out); /* length of the "INDEX" name (out: 100); 0 none; -1 null out */
DORLIX_API int DORLIX_CALL GetVZ5IDInfoEx(const char* key, char* out); /* length of the "INDEX" value of key (out: 100); 0 none; -1 null out */
DORLIX_API int DORLIX_CALL GetVZ5IDInfoExInv(const char* key, char* out); /* length of the "INDEX_INV" value (out: 100); 0 none; -1 null out */
DORLIX_API int DORLIX_CALL GetVZ5IDInfoIdx(int index, int type, char* key, char* value); /* 1 line index of "INDEX_WJ" (type 1) or "INDEX_RESULT" split at "="; 0 none */
DORLIX_API int DORLIX_CALL GetVZ5IPInfoByLineStation(int line, int station, char* out); /* 1 "LINEINFO" address found (out: 64); 0 not; -3 null out */
DORLIX_API int DORLIX_CALL GetVZ5IPInfoByLineStationAll(int line, int station, char* out); /* as above on "IPINFO" */
DORLIX_API int DORLIX_CALL GetVZ5LineInfo(int line, char* out); /* number of field 0 of "IPINFO" line (0 missing); out (may be null) gets field 1 */
DORLIX_API int DORLIX_CALL GetVZ5LineStationInfoByIP(const char* address, int* line, int* station); /* 1; 0 absent; -1 empty; -2 no line; -3 no station or null */
DORLIX_API int DORLIX_CALL GetVZ5LineStationInfoByIPAll(const char* address, int* line, int* station); /* as above on "IPINFO" */
DORLIX_API int DORLIX_CALL GetVZ5SubIDAllInfo(const char* key, char* out); /* length of the "TRANSINFO" text (out: 5998); 0 none or null; -10 no memory */
DORLIX_API int DORLIX_CALL GetInfoAlias(int id, char* out); /* length of the "INFOALIAS" alias (out: 100); 0 none or null out */
DORLIX_API int DORLIX_CALL GetWGAlias(int id, char* out); /* length of the "WJALIAS" alias (out: 100); 0 none or null out */
DORLIX_API int DORLIX_CALL GetInfoID(const char* text); /* n for "INFO_n" (1000..1299, any case); 0 otherwise */
DORLIX_API int DORLIX_CALL GetMainID(int id); /* the "TRANSINFO" value of id when it is a compound identifier, else id */
DORLIX_API int DORLIX_CALL GetMainIDEx(const char* text); /* number in the second "_" field of text; 0 missing or null */
DORLIX_API int DORLIX_CALL GetParamIDString(const char* text); /* as GetMainIDEx */
DORLIX_API int DORLIX_CALL GetSubIDName(const char* prefix, int number, const char* suffix, char* out); /* length of "INDEX" "prefix_number_suffix" (out: 200); 0 none or bad */
DORLIX_API int DORLIX_CALL GetSubIDNameA(int number, const char* ignored, const char* suffix, char* out); /* length of "INDEX" "INFO_number_suffix" (out: 200); 0 none or bad */
DORLIX_API int DORLIX_CALL GetParamIDByName(const char* name, int number, char* out); /* integer of "INDEX" "name_number" (name when absent) copied to out (100); 0 null */
DORLIX_API int DORLIX_CALL IsInfoID(const char* text); /* 1 first "_" field is "INFO" (any case); else 0 */
DORLIX_API int DORLIX_CALL IsSubID_int(int id); /* 1 compound identifier main*10000+sub; else 0 */
DORLIX_API int DORLIX_CALL IsSubID_char(const char* text); /* as IsSubID_int on the number in text */
DORLIX_API int DORLIX_CALL IsSubID_intEx(int id, int main); /* 1 compound identifier (main filter, 0 any); else 0 */
DORLIX_API int DORLIX_CALL IsSubID_charEx(const char* text, int main); /* as IsSubID_intEx on the number in text */
DORLIX_API int DORLIX_CALL GetDevIDByItemID(int device); /* the "ITEMID2DEVID" item whose list holds device; 0 none */
DORLIX_API int DORLIX_CALL GetItemIDByParamID(int param); /* "PARAMID2ITEMID" value of param; 0 absent */
DORLIX_API int DORLIX_CALL GetModifyIDByItemID(int item); /* modification class of a test item; 0 other */
DORLIX_API int DORLIX_CALL GetItemIDByDevID(void); /* always 0 */
DORLIX_API int DORLIX_CALL GetParamIDByDevID(void); /* always 0 */
DORLIX_API int DORLIX_CALL GetSubID(void); /* always 1 */
DORLIX_API int DORLIX_CALL SetSubID(void); /* always 1 */
DORLIX_API int DORLIX_CALL GetPrecisionData(int id, float* value); /* decimals ("POINTBIT" of id) value was rounded to; 0 null value */
DORLIX_API int DORLIX_CALL GetPrecisionDataAny(float* value, int decimals); /* decimals used (above 5 as 6, below 0 as 0) after rounding value half away from zero */
/* @ids-end */

/* ---- Standard packet readers ---- */
/* @packet-read-begin */
/* @packet-read-end */

/* ---- Standard packet writers and process-data tools ---- */
/* @packet-write-begin */
/* @packet-write-end */

/* ---- Results: conversion, combination, sorting, judging ---- */
/* @results-begin */
/* @results-end */

/* ---- Log ---- */
/* @log-begin */
DORLIX_API int DORLIX_CALL SaveLog(const char* name, const char* text); /* 1 queued for the day file, 0 log off or gone */
DORLIX_API int DORLIX_CALL OpenLog(void); /* always 1 */
DORLIX_API int DORLIX_CALL PostLog(const char* text); /* always 0 */
DORLIX_API int DORLIX_CALL ForceSaveLog(const char* name, const char* text); /* always 1 */
/* @log-end */

/* ---- Text encodings and digests ---- */
/* @codec-begin */
/* @codec-end */

/* ---- Process and system utilities ---- */
/* @system-begin */
DORLIX_API int DORLIX_CALL GetCurProcess(char* out); /* 1; out = executable file name of the calling process (empty if unknown) */
/* @system-end */

/* ---- Files and paths ---- */
/* @files-begin */
/* Outputs of the path splitters and of ChangeFileExtName hold at least 260 bytes. */
DORLIX_API int DORLIX_CALL ParseFileExtName(const char* path, char* base, char* ext); /* 2 has ".", 1 none, 0 null, -1 starts with "." */
DORLIX_API int DORLIX_CALL ParseFileExtNameEx(const char* path, char* drive, char* folder, char* name, char* ext); /* 2 parsed, 1 no extension, 0 null, -1 starts with "." */
DORLIX_API int DORLIX_CALL ParseFileExtNameExA(const char* path, char* drive, char* folder, char* name, char* ext); /* as ParseFileExtNameEx, name with its extension */
DORLIX_API int DORLIX_CALL ChangeFileExtName(const char* path, const char* newext, char* out); /* 1, 0 for a null argument */
DORLIX_API int DORLIX_CALL MakeSurePathExistsACreate(const char* path); /* 3 folder existed, else 0 (also after creating it) */
DORLIX_API int DORLIX_CALL TestPath(const char* path, int testonly); /* 1 plain folder, 0 not, -1 bad name, -2 missing, 2 existing drive root */
DORLIX_API int DORLIX_CALL GetCurPath(char* out, int size); /* 1 and the program's folder, 0 null out or no folder */
DORLIX_API int DORLIX_CALL GetFilePathNum(void); /* always 300 */
DORLIX_API int DORLIX_CALL Getfilesize(const char* path); /* size in bytes, -1 cannot open */
/* @files-end */

#ifdef __cplusplus
}
#endif

#endif /* DORLIX_H */
