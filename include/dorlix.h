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
/* Records are raw blocks of GetSysEnvStrSize() bytes. */
/* Special-function settings: the text form is item 169 SpecialFunPath. */
typedef struct SpecialFunSet {
    int flags[12];       /* text fields 0-11 */
    int dateCount;       /* entries parsed into dateOrder */
    int dateOrder[9];    /* text field 12, parts separated by ":" */
    int unused;
    char dateText[100];  /* "%d:%d:%d" of the first three order entries */
    int further[14];     /* text fields 13-26 */
} SpecialFunSet;
DORLIX_API int DORLIX_CALL GetSysEnvStrSize(void); /* 188910, the size of the environment record */
DORLIX_API int DORLIX_CALL GetSysEnv(void* rec); /* 1 main file present at load, else 0; rec = merged, normalised record */
DORLIX_API int DORLIX_CALL GetSysPathEnv(void* rec); /* as GetSysEnv; rec = stored items without merge or normalisation */
DORLIX_API int DORLIX_CALL GetDefaultSysEnv(void* rec); /* as GetSysEnv; items of rec replaced by defaults (rows 215, 217, 218 kept) */
DORLIX_API int DORLIX_CALL SaveSysEnv(const void* rec, int code); /* 1 main file written, 0 not */
DORLIX_API int DORLIX_CALL SaveSysInertia(float value); /* 1 written, 0 not */
DORLIX_API int DORLIX_CALL ClearAll(const char* code); /* 1 both files gone; 0 wrong code or a file still opens */
DORLIX_API int DORLIX_CALL DoCheck(void); /* 1 both files gone; -1 main file still opens; -2 backup still opens */
DORLIX_API int DORLIX_CALL LoadSpecialFun(const char* text, SpecialFunSet* set); /* 1; 0 null argument */
DORLIX_API int DORLIX_CALL MakeSpecialFun(SpecialFunSet* set, char* out, unsigned int size); /* 1 written; 0 null out; -1 null set; -2 longer than size */
/* @env-end */

/* ---- Environment export and import ---- */
/* @import-begin */
DORLIX_API int DORLIX_CALL ExportLWPConfig(const char* base); /* 1 "<base>.LWPENV" written; -1 no memory or cannot create */
DORLIX_API int DORLIX_CALL ImportLWPConfig(const char* path); /* SaveSysEnv result when the digest matches; 0 mismatch; -1 cannot open */
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
DORLIX_API int DORLIX_CALL Cnv2SubID(void* pack); /* 1 information texts named in "INDEX" replaced by their compound identifiers; 0 bad header; -1 null */
DORLIX_API int DORLIX_CALL Cnv2Text(void* pack); /* 1 compound identifiers of an information packet replaced by their names; -1 bad header; 0 null */
/* @ids-end */

/* ---- Standard packet readers ---- */
/* @packet-read-begin */
/* Packets are caller buffers: 20000 bytes for items (kinds 99, 100), 260000 for
 * process data (4), 150000 for every other kind. Readers never change them.
 * Common results: 0 null packet or not found, -1 bad sync bytes, -2 empty,
 * -3 count above the reading limit, -4 null output. */
DORLIX_API int DORLIX_CALL ParseStdHead(const void* pack, void* head); /* 1 valid header copied (21 bytes); 0 null pack; -1 sync; -2 empty; -3 count cut to 2000; -4 null head */
DORLIX_API int DORLIX_CALL ParseStdHead_Info(const void* pack, int id, void* out); /* 1 the 52-byte Dev_Info with id; 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_Info_Idx(const void* pack, int index, void* out); /* 1 the Dev_Info at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Item(const void* pack, int id, void* out); /* 1 the 2-byte item identifier found; 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_Item_Idx(const void* pack, int index, void* out); /* 1 the item identifier at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Item_New(const void* pack, int id, void* out); /* 1 the 5-byte Dev_Item_New with id; 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_Item_New_Idx(const void* pack, int index, void* out); /* 1 the Dev_Item_New at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Std(const void* pack, int id, void* out); /* 1 the 10-byte Dev_Std with id; 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_Std_Idx(const void* pack, int index, void* out); /* 1 the Dev_Std at index; -5 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Std_Java(const void* pack, int id, void* out); /* 1 the 12-byte Dev_Std_Java with id; -5 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_Std_Idx_Java(const void* pack, int index, void* out); /* 1 the Dev_Std_Java at index; -5 none */
DORLIX_API int DORLIX_CALL ParseStdHead_ProDat(const void* pack, int id, void* out); /* 1 the 10028-byte Dev_Pro with id; 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_ProDatEx(const void* pack, const char* name, void* out); /* 1 the Dev_Pro named name (any case); 0 not found */
DORLIX_API int DORLIX_CALL ParseStdHead_ProDat_Idx(const void* pack, int index, void* out); /* 1 the Dev_Pro at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Result(const void* pack, int id, void* out, int* form); /* class 1 or 10 of the result found (out: 103 bytes, form 1 short 2 long); 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Result_Idx(const void* pack, int index, void* out, int* form); /* class of the result at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_Result_Idx_Old(const void* pack, int index, void* out, int* form); /* 1 the old-format result at index; 0 none */
DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll(const void* pack, int id, char* text, int* judge); /* form 1 or 2 of the result with id (text: 100 bytes); -1 null text; -2 none; -3 bad form */
DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Idx(const void* pack, int index, int* id, char* text, int* judge); /* class of the result at index; -1 null text; -2 none; -3 bad form */
DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Java(const void* pack, int id, char* text, int* judge); /* as ParseStdHead_ResultAll */
DORLIX_API int DORLIX_CALL ParseStdHead_ResultAll_Idx_Java(const void* pack, int index, int* id, char* text, int* judge); /* as ParseStdHead_ResultAll_Idx */
/* @packet-read-end */

/* ---- Standard packet writers and process-data tools ---- */
/* @packet-write-begin */
/* Writers need the whole buffer of the kind (see the readers). Common results:
 * 2 appended, 1 replaced or header written, 0 null packet, -1 not a packet or
 * result packet full, -3 packet full, -4 null header or text, -5 item
 * identifier outside 200..499, -6 bad point count or form, -7 no memory. */
DORLIX_API int DORLIX_CALL WriteStdHead(void* pack, void* head); /* 1; head (21 bytes, kind and flags set) gets sync, count 0, length 21 and starts pack; 0 null pack; -4 null head */
DORLIX_API int DORLIX_CALL WriteStdHead_Info(void* pack, int id, const char* text); /* 2 appended, 1 replaced; 0; -3; -4 */
DORLIX_API int DORLIX_CALL WriteStdHead_Item(void* pack, int id); /* 2 appended, 1 present; 0; -3; -5 */
DORLIX_API int DORLIX_CALL WriteStdHead_Item_New(void* pack, int id, short check, unsigned char judge); /* 2 appended, 1 updated; 0; -3; -5 */
DORLIX_API int DORLIX_CALL WriteStdHead_Item_New_CheckNum(void* pack, int id, short check); /* 2 appended (judgement 0), 1 updated; 0; -3; -5 */
DORLIX_API int DORLIX_CALL WriteStdHead_Item_New_Judge(void* pack, int id, unsigned char judge); /* 2 appended (check number 0), 1 updated; 0; -3; -5 */
DORLIX_API int DORLIX_CALL WriteStdHead_Std(void* pack, int id, float first, float second); /* 2 appended, 1 updated; 0; -3 */
DORLIX_API int DORLIX_CALL WriteStdHead_ProDat(void* pack, int id, const void* data); /* data: 9964-byte Dev_Prodata_Write; 2 appended, 1 updated; 0 null; -3 full; -6 bad point count */
DORLIX_API int DORLIX_CALL WriteStdHead_ProDatEx(void* pack, const char* name, const void* data); /* as WriteStdHead_ProDat, matched on the name (any case); 0 also for a null name */
DORLIX_API int DORLIX_CALL WriteStdHead_Result(void* pack, int id, const char* text, unsigned char judge, int form); /* 2 appended, 1 every record with id updated; 0 null; -1 not a packet, full or bad kind; -4 null text; -6 form not 1..3 */
DORLIX_API int DORLIX_CALL WriteStdHead_Result_Data(void* pack, int id, const char* text, int form); /* as WriteStdHead_Result, text only (new record: judgement 0) */
DORLIX_API int DORLIX_CALL WriteStdHead_Result_Judge(void* pack, int id, unsigned char judge, int form); /* as WriteStdHead_Result, judgement only (new record: empty text) */
DORLIX_API int DORLIX_CALL RemoveStdHead_Item(void* pack, int id); /* 1 every Dev_Item with id removed; -1 null; -2 not a valid packet; -7 no memory */
DORLIX_API int DORLIX_CALL RemoveStdHead_Item_New(void* pack, int id); /* 1 every Dev_Item_New with id removed; -1; -2; -7 */
DORLIX_API int DORLIX_CALL RemoveStdHead_Result(void* pack, int id); /* 1 every result with id removed, packet now framed (kind 3); -1; -2; -7 */
DORLIX_API int DORLIX_CALL GetProDat_Max(const void* record, float* max); /* index of the largest x of a Dev_Pro (max stored when not null); -1 no points or null */
DORLIX_API int DORLIX_CALL GetProDat_Pos(const void* record, float fraction); /* index of the first point with x above fraction x largest x; -1 none or null */
DORLIX_API int DORLIX_CALL GetProDatAll_Pos(const void* src, void* dst, float fraction, int digits); /* 1 rebased curves written to dst; -1 src not valid; -2 null src; -3 null dst */
/* @packet-write-end */

/* ---- Results: conversion, combination, sorting, judging ---- */
/* @results-begin */
/* Result packets are 150000-byte caller buffers (process data 260000, items 20000). */
DORLIX_API int DORLIX_CALL GetJudgeString(int judge, char* out, int mode); /* judge; out = verdict/grade (mode 0), verdict (1), grade (2) or "Mode??"; -1 null out */
DORLIX_API int DORLIX_CALL CnvResultPack2StdPack(void* pack); /* 1 converted in place to framed records; 0 not a packet; -1 no memory */
DORLIX_API int DORLIX_CALL CnvStdHead_Result(const void* src, void* dst); /* 1 dst = framed copy of src (current or old format); 0 src invalid or dst header not written */
DORLIX_API int DORLIX_CALL CnvStdHead_Result_Compatible(void* pack); /* 1 forms rewritten by identifier; 0 not a packet; -1 no memory */
DORLIX_API int DORLIX_CALL Combin_ItemData(void* dst, const void* src); /* 1 items of src merged into dst; 0 src invalid or empty; -1 src null; -2 dst null */
DORLIX_API int DORLIX_CALL Combin_ItemNewData(void* dst, const void* src); /* as Combin_ItemData for Dev_Item_New records */
DORLIX_API int DORLIX_CALL Combin_StdData(void* dst, const void* src); /* as Combin_ItemData for Dev_Std records */
DORLIX_API int DORLIX_CALL Combin_VehicleData(void* dst, const void* src); /* 1 information records merged; 0 src invalid or empty; -1 dst null; -2 src null */
DORLIX_API int DORLIX_CALL Combin_ProData(void* dst, const void* src); /* 1 process-data records merged; 0 src invalid or empty; -1 dst null; -2 src null */
DORLIX_API int DORLIX_CALL Combin_ResultData(void* dst, const void* src); /* 1 results (identifier >= 1000) merged, duplicates removed, dst framed; 0 src invalid; -1 null */
DORLIX_API int DORLIX_CALL SortResult(void* pack); /* 1 sorted by identifier (only when not longer); ParseStdHead result <= 0; 0 no memory; -10 work header; -11 no memory for the list */
DORLIX_API int DORLIX_CALL AutoV_UStr(char* out, float value, const char* unit, int width, int decimals); /* 0 formatted with an engineering prefix; 1 does not fit width */
/* @results-end */

/* ---- XML reader ---- */
/* @xml-begin */
/* One reader for the process, without a lock: one document, one cursor. Names
 * compare byte for byte, in full; values come back as written (quotes removed). */
DORLIX_API int DORLIX_CALL LoadXML(const char* path); /* 1 loaded (cursor on the first top-level element, none after a failed parse); 0 cannot read (document and cursor stay) */
DORLIX_API int DORLIX_CALL FindItem(const char* name); /* 1 cursor on the first element of that name from the cursor on through its siblings; 0 none (no cursor) */
DORLIX_API int DORLIX_CALL IntoItem(void); /* 1 cursor on the first child; 0 no cursor or no child (cursor stays) */
DORLIX_API int DORLIX_CALL NextItem(void); /* 1 cursor on the next sibling; 0 no cursor or last sibling (cursor stays) */
DORLIX_API int DORLIX_CALL ExitItem(void); /* always 1; cursor on the parent (none from a top-level element) */
DORLIX_API int DORLIX_CALL GetAttr(const char* name, char* value); /* 1 token after name copied (value: 256, longer values cut at 255 bytes); 0 no cursor or no such token (value untouched) */
/* @xml-end */

/* ---- Log ---- */
/* @log-begin */
DORLIX_API int DORLIX_CALL SaveLog(const char* name, const char* text); /* 1 queued for the day file, 0 log off or gone */
DORLIX_API int DORLIX_CALL OpenLog(void); /* always 1 */
DORLIX_API int DORLIX_CALL PostLog(const char* text); /* always 0 */
DORLIX_API int DORLIX_CALL ForceSaveLog(const char* name, const char* text); /* always 1 */
DORLIX_API int DORLIX_CALL GetLog(void* buffer, int size); /* ReadNetData(0, buffer, size) */
DORLIX_API int DORLIX_CALL CloseLog(void); /* 1 after CloseNet(1) */
/* @log-end */

/* ---- Network data channel (UDP) and network utilities ---- */
/* @net-begin */
/* Channels 0..99. A framed block is "!@#$", the payload length, the sender's
 * address text (16 bytes) and port, the payload, ")(*&"; a plain block is the
 * payload alone. */
typedef struct HostIPList {
    int count;           /* addresses in addr */
    char addr[100][50];  /* dotted IPv4 texts */
    char hostName[256];  /* local host name */
} HostIPList;            /* 5260 bytes */
DORLIX_API int DORLIX_CALL OpenNet(int index, const char* address, int port, int broadcast); /* 1 opened; 2 already open; 0 bad index; -3 broadcast refused */
DORLIX_API int DORLIX_CALL CloseNet(int index); /* always 1 */
DORLIX_API int DORLIX_CALL SendNetData(int index, const char* target, int port, const void* data, int length); /* length + 32 sent; 0 null data; -1 not open; -2 no memory; -3 send failed */
DORLIX_API int DORLIX_CALL SendNetDataDir(int index, const char* target, int port, const void* data, int length); /* length sent; 0, -1, -2, -3 as SendNetData */
DORLIX_API int DORLIX_CALL ReadNetData(int index, void* buffer, int size); /* payload length; 0 nothing; datagram length if not framed; -1 not open; -2 wait; -3 receive; -4 null buffer */
DORLIX_API int DORLIX_CALL ReadNetDataDir(int index, void* buffer, int size); /* datagram length; 0, -1, -2, -3, -4 as ReadNetData */
DORLIX_API int DORLIX_CALL Ping(const char* host); /* 1 reply; -2 no ICMP socket; -3 unknown host; -4 wait failed; -5 no reply in 1 s; -6 close failed; -8 no sockets; -9 null */
DORLIX_API int DORLIX_CALL ScanPort(const char* host, int port); /* 1 TCP port accepts within 1 s; -4 not; -1 no socket; -2 not non-blocking; -3 unknown host or wait failed; 0 no sockets */
DORLIX_API int DORLIX_CALL GetHostIP(HostIPList* record); /* 1 filled; 0 host name unresolved or null record */
DORLIX_API int DORLIX_CALL IsIPV4(const char* text); /* 1 first three fields numbers; 0 null; -2 empty; -5 not valid; -1, -3 no memory */
DORLIX_API int DORLIX_CALL ParseIP(const char* text, int* a, int* b, int* c, int* d); /* always 1; octets in written order, 255 each when unparsable */
DORLIX_API int DORLIX_CALL GetEtherNetStatus(int* status); /* 1 adapter list read (status of the first Ethernet adapter); 0 cannot read */
DORLIX_API int DORLIX_CALL GetEtherNetStatusEx(const char* address, int* status); /* as GetEtherNetStatus for the adapter with that address; status first 0 */
/* @net-end */

/* ---- Serial ports ---- */
/* @serial-begin */
/* Slots 0..9: for every slot export an index above 9 gives -1, a negative one -2. */
typedef struct SerialPortList {
    int count;           /* names in name */
    char name[100][50];  /* "COM3", ... */
} SerialPortList;        /* 5004 bytes */
DORLIX_API int DORLIX_CALL OpenSerialPort(int index, const char* device, int dataBits, int stopBits, int parity, int baud); /* 1 open; 0 already open, cannot open or configure, no memory */
DORLIX_API int DORLIX_CALL CloseSerialPort(int index); /* 1 */
DORLIX_API int DORLIX_CALL ReadSerialPort(int index, void* buffer, int size); /* bytes taken from the port's buffer; 0 none or not open */
DORLIX_API int DORLIX_CALL WriteSerialPort(int index, const void* data, int length); /* bytes written; 0 write failed */
DORLIX_API int DORLIX_CALL RunSerialThread(void); /* 1 the reader runs; 0 cannot start it */
DORLIX_API int DORLIX_CALL StopSerialThread(void); /* -1; the reader goes on */
DORLIX_API int DORLIX_CALL GetSerialPortInfo(SerialPortList* list); /* 0 from the device map; -1 cannot open it; -2 cannot close it (list then COM0..COM49) */
/* @serial-end */

/* ---- Shared memory, in-process data, hardware ---- */
/* @memory-begin */
/* The block "MemServer" shared by the programs of the PC. */
DORLIX_API int DORLIX_CALL OpenMemory(int size); /* 1 block created or opened and mapped for writing; 0 otherwise */
DORLIX_API int DORLIX_CALL WriteDataInProcess(const void* data, int length); /* 1 copied to the block's start; 0 no block opened here, null data or too long */
DORLIX_API int DORLIX_CALL ReadDataInProcess(void* buffer, int length); /* 1 block's first length bytes copied; 0 no block, null buffer or too long */
DORLIX_API int DORLIX_CALL ReleaseMemory(void); /* 1 */
DORLIX_API int DORLIX_CALL OpenHardware(void); /* 0 */
DORLIX_API int DORLIX_CALL CloseHardware(void); /* 1 */
/* Kept for callers; each takes any arguments (cdecl: the caller clears them). */
#ifdef __cplusplus
#  define DORLIX_ANY_ARGS ...
#else
#  define DORLIX_ANY_ARGS
#endif
DORLIX_API int DORLIX_CALL Hardware_ReadAI(DORLIX_ANY_ARGS); /* 1 */
DORLIX_API int DORLIX_CALL Hardware_ReadDI(DORLIX_ANY_ARGS); /* 1 */
DORLIX_API int DORLIX_CALL Hardware_WriteAO(DORLIX_ANY_ARGS); /* 1 */
DORLIX_API int DORLIX_CALL Hardware_WriteDO(DORLIX_ANY_ARGS); /* 1 */
DORLIX_API int DORLIX_CALL Hardware_WriteIDO(DORLIX_ANY_ARGS); /* 1 */
DORLIX_API int DORLIX_CALL Hardware_WriteSDO(DORLIX_ANY_ARGS); /* 1 */
/* @memory-end */

/* ---- Text encodings and digests ---- */
/* @codec-begin */
/* Texts in the local code page are GB2312/GBK (code page 936). "In place"
 * results replace the text; the caller's buffer must hold them (UTF-8 takes
 * up to half as much again, the URL encoders up to three times the text). */
/* Base64, standard alphabet with "=" padding, no line breaks. */
DORLIX_API int DORLIX_CALL Base64EnCode(const void* data, int length, char* out); /* characters written (multiple of 4), out NUL-terminated; 0 length <= 0 or null */
DORLIX_API int DORLIX_CALL Base64DeCode(const char* text, void* out); /* bytes written (no NUL added); 0 length not a multiple of 4 or null */
DORLIX_API int DORLIX_CALL GetBase64EnCodeLen(const void* data, int length); /* digits before the padding, 8 x length / 6 rounded up; data ignored */
DORLIX_API int DORLIX_CALL GetBase64DeCodeLen(const char* text); /* 6 x strlen(text) / 8 rounded down; 0 null */
/* Local code page and UTF-8, in place. */
DORLIX_API int DORLIX_CALL UTFEncode(char* text); /* 1 converted to UTF-8; 0 null */
DORLIX_API int DORLIX_CALL UTFDecode(char* text); /* 1 converted from UTF-8; 0 null */
DORLIX_API int DORLIX_CALL UTFEncode_UTF8(char* text); /* 1, text unchanged; 0 null */
DORLIX_API int DORLIX_CALL UTFDecode_UTF8(char* text); /* 1, text unchanged; 0 null */
/* URL percent-encoding in place: letters and digits stay, white space is "+", other bytes "%XX". */
DORLIX_API int DORLIX_CALL UrlUTFEncode_GB2312(char* text); /* 1 bytes encoded as they are; 0 null */
DORLIX_API int DORLIX_CALL UrlUTFDecode_GB2312(char* text); /* length of the decoded bytes; 0 null */
DORLIX_API int DORLIX_CALL UrlUTFEncode_UTF8(char* text); /* 1 converted to UTF-8 and encoded; 0 null */
DORLIX_API int DORLIX_CALL UrlUTFDecode_UTF8(char* text); /* 1 decoded and converted from UTF-8; 0 null */
/* Line breaks as "\n" and "\r", in place, results of at most 1024 characters. */
DORLIX_API int DORLIX_CALL EnCodeESC(char* text); /* length of the result; 0 null; -1 text or result over 1024 (text unchanged) */
DORLIX_API int DORLIX_CALL DeCodeESC(char* text); /* length of the result; 0 null; -1 text over 1024 (text unchanged) */
/* Digit code: 123 is "BCD&150" (digit d as letter "A" + d, "&", checksum). Texts of at most 500 bytes; out holds 505. */
DORLIX_API int DORLIX_CALL EnCodeDigital(const char* text, char* out); /* 1 (out = code, or the text when not all digits); 0 null or over 500 */
DORLIX_API int DORLIX_CALL DeCodeDigital(const char* text, char* out); /* 1 out = digits; 0 no marker (out = text), null or over 500; -1 bad checksum (out = text) */
/* Hexadecimal and binary digits. Hex2String and String2Hex return a buffer from
 * the C runtime heap of the library (calloc): it belongs to the caller, but only
 * that runtime can release it; a program built with another runtime cannot pass
 * it to its own free() and the library has no function to release it. */
DORLIX_API char* DORLIX_CALL Hex2String(const char* hex); /* new buffer of the bytes, NUL-terminated; null for an odd length or null */
DORLIX_API char* DORLIX_CALL String2Hex(const char* text); /* new buffer (3 x length + 1 bytes) of upper-case digit pairs; null for null */
DORLIX_API int DORLIX_CALL StrToHex(const void* data, char* out, int length); /* 2 x length, out = upper-case digit pairs + NUL; 0 null or length <= 0 */
DORLIX_API int DORLIX_CALL HexToInt(void); /* 0 */
DORLIX_API int DORLIX_CALL strHexToInt(const char* hex); /* value (8 digits: 32-bit two's complement); 0 null or a non-hex character */
DORLIX_API int DORLIX_CALL strBinToInt(const char* bin); /* value; 0 null; -1 a character other than 0 and 1 */
DORLIX_API int DORLIX_CALL strIntToBin(int value, char* out, int widthCode); /* 1, out = 4/8/16/32 digits for width code 0/1/2/3 + NUL; 0 null out or other code */
DORLIX_API int DORLIX_CALL strHexToBin(const char* hex, char* out, int widthCode); /* strIntToBin(strHexToInt(hex), out, widthCode) */
/* XML entities (< > & ' " #), in place. */
DORLIX_API int DORLIX_CALL EscapeXML(char* text); /* 1 entities in; 0 null or result over strlen(text) + 499 (text unchanged) */
DORLIX_API int DORLIX_CALL XMLEscape(char* text); /* 1 entities out, repeatedly ("&amp;amp;" gives "&"); 0 null */
/* MD5 digests: out = 32 lower-case hex digits + NUL (33 bytes). */
DORLIX_API int DORLIX_CALL GetMD5Code(const char* data, int length, char* out); /* 1; 0 null data or out */
DORLIX_API int DORLIX_CALL GetMemSPID(const char* data, int length, char* out); /* as GetMD5Code */
DORLIX_API int DORLIX_CALL MakeCharPass(const char* text, char* out); /* 1 digest of the text's bytes; 0 empty text (out = "ERROR") or null */
DORLIX_API int DORLIX_CALL GetFileCheck(const char* path, char* out); /* 1 digest of the whole file; 0 empty path, null out, or unreadable file (out empty) */
DORLIX_API int DORLIX_CALL GetFileSPID(const char* path, char* out); /* as GetFileCheck */
/* @codec-end */

/* ---- Compression ---- */
/* @zip-begin */
/* ZIP archives, entries deflated under bare file names in the local code page.
 * The progress counters (0-100) are process-wide; another thread may watch them. */
DORLIX_API int DORLIX_CALL CompressFile(const char* source, const char* archive); /* 1 archive written with the file as its only entry; 0 empty or null argument, unreadable file or archive failure */
DORLIX_API int DORLIX_CALL CompressFileEx(const char* folder, const char* archive); /* 1 every file of the folder (not its subfolders) added; 0 empty or null argument, unreadable folder or archive not created; -2 a file could not be added */
DORLIX_API int DORLIX_CALL GetCompressFileExCnt(void); /* percentage of files handed to the archive by the current CompressFileEx */
DORLIX_API int DORLIX_CALL UnCompressFile(const char* archive, const char* destination); /* 1 every entry extracted; 0 empty or null argument, or an entry failed (also one whose name leaves the folder); -9 archive cannot be opened; -2 destination no valid absolute path (archives of several entries) */
DORLIX_API int DORLIX_CALL GetUnCompressFileExCnt(void); /* percentage of entries extracted by the current UnCompressFile */
DORLIX_API int DORLIX_CALL DatCompressPro_PP(const float* in, int n, float* out, int m, int decimals); /* values written: n (all rounded) when n < m, else m (first sample, then the rounded peak of each of m-1 groups); 0 for m <= 3, n <= 1 or null */
/* @zip-end */

/* ---- JPEG to bitmap ---- */
/* @jpeg-begin */
DORLIX_API int DORLIX_CALL CnvJpeg2BmpFile(const char* jpeg, const char* bmp); /* 1 baseline JPEG written as a 24-bit bottom-up BMP (an existing file replaced); 0 with "File not found!!", "Error alloc memory!" or "File format error!" on standard output, no BMP left; 0 null path */
/* @jpeg-end */

/* ---- Chinese characters to pinyin ---- */
/* @pinyin-begin */
DORLIX_API int DORLIX_CALL CnvHZ2PY(const char* text, char* pinyin, char* initials); /* 1 pinyin and initials (512 bytes each) filled; 0 a character without reading; -1 a two-byte character outside GB2312; -2 null argument (outputs not null emptied) */
/* @pinyin-end */

/* ---- Signal filters and averaging (single precision) ---- */
/* @filter-begin */
/* Ten smoothing channels (0-9) and five moving-average windows (0-4), shared by the whole process. */
DORLIX_API float DORLIX_CALL Filter_1(int channel, float x, float k); /* the channel's new value k*y+(1-k)*x (k in 0..0.999, channel clamped to 0..9) */
DORLIX_API int DORLIX_CALL Filter_2(const float* in, float* out, int count, float k); /* 1 smoothed from 0; 0 null array or negative count */
DORLIX_API int DORLIX_CALL Filter_3(const float* in, float* out, int count); /* 1 low-passed (outputs 0-2 and count-1 are 0); 0 null array or negative count */
DORLIX_API int DORLIX_CALL HDSetNum(int length, int index); /* 1 window emptied, length 2..100 (0 or less as 2); 0 bad index */
DORLIX_API int DORLIX_CALL HDAddDat(float value, int index); /* 0 added while filling or bad index; 1 full, oldest value dropped */
DORLIX_API int DORLIX_CALL HDGetDat(float* out, int index); /* 1 and the window's mean in out; 0 not full, no length, bad index or null out */
DORLIX_API int DORLIX_CALL MakeAvgData(float a, float b, int count, float* out); /* 1 out = count steps from a (excluded) to b; 0 null out or count <= 0 */
DORLIX_API int DORLIX_CALL MakeAvgData_M2(float a, float b, int count, float* out); /* as MakeAvgData */
DORLIX_API int DORLIX_CALL GetMidDat(float x1, float y1, float x2, float y2, float x, float* y); /* 1 x2 <= x <= x1; 0 outside or x1 = x2 (y = y2) or null y; y = the line at x */
/* @filter-end */

/* ---- Dates and times ---- */
/* @date-begin */
/* Calendar: every fourth year is a leap year. Date texts "year-month-day", times "hour:minute:second". */
typedef struct DateRecord {
    int year;
    signed char day;   /* 1-31 */
    signed char month; /* 1-12 */
} DateRecord;
typedef struct TimeRecord {
    unsigned char hour, minute, second;
    unsigned char millisecond; /* low 8 bits of the milliseconds */
} TimeRecord;
DORLIX_API int DORLIX_CALL GetAbsDays(const DateRecord* date); /* day number of the date (only differences mean something); 0 null */
DORLIX_API int DORLIX_CALL ComputeDaySpan(const char* date1, const char* date2); /* days from date1 to date2; 0 null or a field missing */
DORLIX_API int DORLIX_CALL ComputeDayTimeSpan(const char* time1, const char* time2); /* seconds from 1 to 2 ("date time"), held to +-2147483647; 0 null or a date field missing */
DORLIX_API int DORLIX_CALL GetDateByTimeSpan(const DateRecord* in, int days, DateRecord* out); /* 1 out = days before in (after for days < 0); 0 null in or bad month; -1 null out; -2 beyond 240 months */
DORLIX_API int DORLIX_CALL ChangTimeFormat(const char* in, char* out); /* 1 out = date and time, one space, one leading 0 of each dropped; -1 null in; -2 null out */
DORLIX_API int DORLIX_CALL GetTimeMinute(const char* text, char* out); /* 1 out = "HH:MM" (out: text length + 1, at least 24); 0 fewer than two fields (copy); -1 null text; -2 null out */
DORLIX_API int DORLIX_CALL GetFileDayTime(const char* path, DateRecord* date, TimeRecord* time); /* 1 local last-write time of the first match of path (wildcards) in date and time (either may be null); -1 not found; -2 null path */
DORLIX_API float DORLIX_CALL GetRand(float a, float b); /* pseudo-random value from a to b */
DORLIX_API float DORLIX_CALL GetRandEx(float a, float b, int period); /* value swinging between about a and b with a period of period calls (5 for period <= 1) */
DORLIX_API float DORLIX_CALL GetRandEx2(void); /* always -1000.0 */
/* @date-end */

/* ---- Process and system utilities ---- */
/* @system-begin */
DORLIX_API int DORLIX_CALL GetCurProcess(char* out); /* 1; out = executable file name of the calling process (empty if unknown) */
DORLIX_API int DORLIX_CALL GetProcess(char* list); /* number of processes; list (may be null): one 260-byte slot a process with its executable file name */
DORLIX_API int DORLIX_CALL FindProcess(const char* fragment); /* id of the first process whose executable path contains fragment (upper case); 0 none or null */
DORLIX_API int DORLIX_CALL KillProcess(const char* name); /* 1 the first process of that executable name (case-blind) ended (exit code 1; SIGKILL on POSIX); 0 none */
DORLIX_API int DORLIX_CALL WinExecEx(const char* commandLine, int show); /* 1 the program ran and has ended; 0 it cannot be started or null */
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
