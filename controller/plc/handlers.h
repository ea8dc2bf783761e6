// Instruction handlers: each checks the card index and routes one PLC
// instruction (or network command) to the card object's operation.
// -1 for a card index outside the card table, else the operation's result.
#pragma once

int Task_LD(int SlotIdx, int ChIdx, void* pArgc);
int Task_LDI(int SlotIdx, int ChIdx, void* pArgc); // always the CPU board's internal bits
int Task_OUT(int SlotIdx, int ChIdx, void* pArgc);
int Task_OUTI(int SlotIdx, int ChIdx, void* pArgc); // always the CPU board's internal bits
int Task_MOT(int SlotIdx, int ChIdx, void* pArgc);
int Task_LMOT(int SlotIdx, int ChIdx, void* pArgc);
int Task_RSTZ(int SlotIdx, int ChIdx, void* pArgc);
int Task_DG(int SlotIdx, int ChIdx, void* pArgc);
int Task_LDG(int SlotIdx, int ChIdx, void* pArgc);
int Task_ROW(int SlotIdx, int ChIdx, void* pArgc);
int Task_ROCLR(int SlotIdx, int ChIdx, void* pArgc);
// Positive: a function file was chosen and its name written to pOutParameter.
int Task_IF(int SlotIdx, int ChIdx, void* pArgc, char* pOutParameter);
int Task_G_SETPOT(int SlotIdx, int ChIdx, void* pArgc);
// Stores a calibration table; 1 once the card index is valid.
int Task_G_CALIB(int SlotIdx, int ChIdx, void* pArgc);
// pArgc "name@address@port": registers a virtual device on the network card.
// 1 registered, 0 a field is missing (or no network card), -1 pArgc null.
int Task_G_ADD_VD(int SlotIdx, int ChIdx, void* pArgc);

// The card object at a valid card index, or null.
class CVekt_MANAGER;
CVekt_MANAGER* GetCard(int SlotIdx);
