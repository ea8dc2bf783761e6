// The PLC task interpreter (TaskPLC, declared in tasks.h) and its stop request.
#pragma once

// Asks PLC task TaskNo (1..8) to leave its loop at the start of its next pass
// (Stop 1), or withdraws the request (Stop 0). The controller never sets it:
// in Corlan a PLC task runs for the life of the process. Programs that run
// TaskPLC on a thread of their own (tests, tools) use it to end that thread.
void PlcStopRequest(int TaskNo, int Stop);
int PlcStopRequested(int TaskNo);
