// Shared constants of the controller.
#pragma once

#define SOFTVERSION3 0
#define SOFTVERSION2 8
#define SOFTVERSION1 0
#define SOFTVERSION0 1

#define MAXTASKNUM 8      // highest number of PLC tasks
#define MAXCARDNO 14      // entries of the card table: CPU board, 12 slots, network card
#define BUFFER_SIZE 40960 // every network text buffer

#define DUG_SYS_LV0 0x01
#define DUG_NET_LV1 0x02
#define DUG_HRD_LV2 0x04
#define DUG_DUG_LV3 0x08

#define PIDFILE "/daemon_corlan.pid"

enum HILOW { LOW = 0, HI = 1 };

// Keypad keys; the CPU board's keypad delivers 5..21.
enum HKEY {
    HKEY_NUL = 0,
    HKEY_RUN = 1,
    HKEY_STEP = 2,
    HKEY_ZERO = 3,
    HKEY_CANCEL = 4,
    HKEY_1 = 5,
    HKEY_2 = 6,
    HKEY_3 = 7,
    HKEY_4 = 8,
    HKEY_5 = 9,
    HKEY_6 = 10,
    HKEY_7 = 11,
    HKEY_8 = 12,
    HKEY_9 = 13,
    HKEY_0 = 14,
    HKEY_Slash = 15,
    HKEY_Num = 16,
    HKEY_Star = 17,
    HKEY_Dec = 18,
    HKEY_Plus = 19,
    HKEY_Enter = 20,
    HKEY_BackSpace = 21
};
