// Shared constants of the controller.
#pragma once

#define SOFTVERSION3 0
#define SOFTVERSION2 8
#define SOFTVERSION1 0
#define SOFTVERSION0 1

#define MAXTASKNUM 8     // highest number of PLC tasks
#define MAXCARDNO 14     // entries of the card table: CPU board, 12 slots, network card
#define BUFFER_SIZE 40960 // every network text buffer

#define DUG_SYS_LV0 0x01
#define DUG_NET_LV1 0x02
#define DUG_HRD_LV2 0x04
#define DUG_DUG_LV3 0x08

#define PIDFILE "/daemon_corlan.pid"

enum HILOW { LOW = 0, HI = 1 };
