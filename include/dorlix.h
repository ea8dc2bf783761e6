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
/* @frame-end */

/* ---- Environment record ---- */
/* @env-begin */
/* @env-end */

/* ---- Environment export and import ---- */
/* @import-begin */
/* @import-end */

/* ---- Identifier and line/station tables ---- */
/* @ids-begin */
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
