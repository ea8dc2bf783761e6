// The serial-port slots of the library and their shared reader.
//
// Locks of a slot (none is held while another slot's is taken):
// - control: Open and Close, one at a time;
// - take: ReadSerialPort against Open and Close (the ring's storage);
// - send: WriteSerialPort against Open and Close (the device);
// - visit: the reader's turn at the slot against Open and Close.
// Close cancels the device's waits before it takes the others, so it never
// sits out a quiet port's wait or a write's time-out.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dorlix.h"
#include "platform/platform.h"
#include "platform/serial.h"
#include "services/ringbuffer.h"

namespace dorlix {

constexpr int SERIAL_PORTS = 10;
constexpr uint32_t SERIAL_RING_SIZE = 40960;
constexpr uint32_t SERIAL_RING_STORAGE = 41088;
constexpr int SERIAL_TRANSFER = 4096;
// The reader's pause before each visit of a slot, its wait on a quiet port,
// and its wait on the signal event before a transfer.
constexpr uint32_t SERIAL_VISIT_PAUSE_MS = 50;
constexpr uint32_t SERIAL_QUIET_WAIT_MS = 50;
constexpr uint32_t SERIAL_SIGNAL_WAIT_MS = 10;
// Transfers in one visit of a receiving port: the driver's receive queue
// (40,960 bytes) once over. Then the other ports have their turn.
constexpr int SERIAL_TRANSFERS_PER_VISIT = 10;

// Baud rates a port keeps; any other becomes 115200.
int NormaliseBaud(int baud);
// Fills the port list record from the device map's names and result: the
// names (at most 100, each cut to 49 bytes), or COM0..COM49 when the result
// is not 0 or there are none. Returns result.
int FillSerialPortList(SerialPortList* list, const std::vector<std::string>& names, int result);

class wpuart {
  public:
    wpuart() = default;
    wpuart(const wpuart&) = delete;
    wpuart& operator=(const wpuart&) = delete;

    // 1 open; 0 already open, the device cannot be opened or configured, no memory.
    int Open(const char* device, int dataBits, int stopBits, int parity, int baud);
    // Closes an open port; threadsGone: the process's other threads have
    // ended (their locks may never be released), take none.
    void Close(bool threadsGone = false);
    // Bytes taken from the ring, 0 when closed.
    int Read(void* buffer, int size);
    // Bytes written, 0 when the write fails or the port is closed.
    int Write(const void* data, int length);
    // One visit of the reader: transfers what the device holds into the ring
    // (more than once while it keeps holding bytes, within the bound), or
    // waits a bounded time for a port event.
    void Visit(unsigned char* transfer);

    bool IsOpen() const { return open_.load(std::memory_order_acquire) != 0; }

  private:
    // Closes the device and lets the ring go; the port no longer counts as open.
    void Release();

    plat::CriticalSection control_, take_, send_, visit_;
    std::atomic<int> open_{0};
    plat::SerialDevice* device_ = nullptr;
    std::unique_ptr<unsigned char[]> storage_;
    RingBuffer ring_;
};

} // namespace dorlix
