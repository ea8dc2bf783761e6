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
/* @log-end */

/* ---- Text encodings and digests ---- */
/* @codec-begin */
/* @codec-end */

/* ---- Process and system utilities ---- */
/* @system-begin */
/* @system-end */

/* ---- Files and paths ---- */
/* @files-begin */
/* @files-end */

#ifdef __cplusplus
}
#endif

#endif /* DORLIX_H */
