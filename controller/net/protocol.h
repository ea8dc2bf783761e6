// Frame protocol of the host link: key lookup, checksum, the receive-side
// feed of the command queue and the network command step of the PLC tasks.
#pragma once
#include <cstddef>

#define NETKEYMAX 2047 // longest item or value of a frame body

// Value of the first ";"-item of Src whose key equals Key without regard to
// case, copied into Result; returns the item's 1-based position, -1 when none.
int FindKey(const char* Src, const char* Key, char* Result);
// Same, with the size of Result; a longer value is cut to fit.
int FindKey(const char* Src, const char* Key, char* Result, size_t ResultSize);

// Negated 16-bit byte sum of the first PackSize bytes of Data; 0 for PackSize <= 0.
unsigned short SndCheckSum(const char* Data, short PackSize);

// Receive side: appends one datagram to m_RecvBuffer and queues every frame
// completed by it. Returns the number of frames taken out of the stream.
int NetFeed(const char* data, int len);

// One network command of the queue, executed through the instruction handlers.
// szTaskBuf (NETTASKSTR bytes, may be null) receives the body. Returns the code
// taken (0 when the queue was empty).
int NetCmdStep(char* szTaskBuf);

// CTL_LINK: passes a link message to the network card at card index 13.
// -1 null message, 0 empty message or no network card, 1 passed on.
int AddMsg2VD(char* NetMessage);
