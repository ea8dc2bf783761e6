// Serial devices and the list of serial ports, as the Win32 communication
// calls reach them. On Windows these are the real calls on an overlapped
// device handle and the registry's device map; on POSIX a terminal device
// through termios, with COM names mapped the way Wine maps them (see
// docs/dorlix-serial.md).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Line settings of an open. Codes outside their range keep what the device
// has (parity, stop bits).
struct SerialSettings {
    int baud = 115200;
    int dataBits = 8;
    int parity = 0;   // 0 none, 1 even, 2 odd
    int stopBits = 0; // 0 one, 1 one and a half, 2 two
};

// One open device with what its transfers need: the signal event and the
// overlapped records of reads, writes and event waits on Windows.
class SerialDevice;

// Opens the device of a port name ("COM3") for reading and writing, not
// shared, and configures it: receive queue 40,960 bytes, send queue 4,096,
// the character-received event only, reads that return at once with what is
// there, writes bounded by 50 ms per byte plus 2 s, binary mode, parity
// checking, no flow control, RTS off, XON 0x11 / XOFF 0x13. The signal event
// is set. Null when the device cannot be opened or configured.
SerialDevice* OpenSerialDevice(const char* name, const SerialSettings& settings);
// Closes the device and its events. No call on it may still be running.
void CloseSerialDevice(SerialDevice* device);

// Clears the device's error state; the number of received bytes it holds,
// -1 when the device fails (unplugged, hung up).
int SerialInQueue(SerialDevice* device);
// Takes up to size of the bytes the device holds, without waiting for more:
// the number taken, -1 on failure.
int SerialRead(SerialDevice* device, void* buffer, int size);
// Clears the error state and writes the block, waiting until it has gone
// out or the write time-outs have passed: the number written, -1 on failure.
int SerialWrite(SerialDevice* device, const void* data, int length);
// Waits at most timeoutMs for a received character. false when none came,
// the wait could not be started or was ended by CancelSerialDevice.
bool SerialWaitEvent(SerialDevice* device, uint32_t timeoutMs);
// From another thread: ends the event wait and the write in progress, and
// makes every later one return at once (the event mask becomes nothing).
// The device stays valid until CloseSerialDevice.
void CancelSerialDevice(SerialDevice* device);

// The device's signal event (manual reset): set it, or wait at most
// timeoutMs for it and clear it.
void SetSerialSignal(SerialDevice* device);
void WaitSerialSignal(SerialDevice* device, uint32_t timeoutMs);

// The port names of the system's device map, in its order, each as long as
// the map has it. 0 read; -1 the map cannot be opened; -2 it cannot be closed.
int ListSerialPorts(std::vector<std::string>& names);

} // namespace plat
