// Serial-port exports: ten port slots and one shared reader thread that moves
// received bytes into each open port's ring.
//
// The reader runs on a library thread (it keeps the library loaded) and
// ends on its own after a turn over the slots that finds no port open;
// RunSerialThread means "serve the ports from now on", so a later open starts
// it again. One reader at most: it is the single producer of every ring.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "core/export.h"
#include "core/lasting.h"
#include "core/lifecycle.h"
#include "dorlix.h"
#include "platform/platform.h"
#include "platform/serial.h"
#include "services/wpuart.h"

namespace dorlix {

int NormaliseBaud(int baud) {
    switch (baud) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
    case 128000:
    case 230400:
    case 256000:
        return baud;
    default:
        return 115200;
    }
}

int FillSerialPortList(SerialPortList* list, const std::vector<std::string>& names, int result) {
    std::memset(list, 0, sizeof *list);
    constexpr std::size_t kSlots = sizeof list->name / sizeof list->name[0];
    constexpr std::size_t kNameSize = sizeof list->name[0];
    if (result == 0) {
        for (const std::string& name : names) {
            if (static_cast<std::size_t>(list->count) == kSlots) break;
            const std::size_t n = std::min(name.size(), kNameSize - 1);
            std::memcpy(list->name[list->count], name.data(), n);
            list->name[list->count][n] = '\0';
            ++list->count;
        }
    }
    if (result != 0 || list->count == 0) {
        std::memset(list, 0, sizeof *list);
        for (int i = 0; i < 50; ++i)
            std::snprintf(list->name[i], kNameSize, "COM%d", i);
        list->count = 50;
    }
    return result;
}

int wpuart::Open(const char* device, int dataBits, int stopBits, int parity, int baud) {
    std::lock_guard<plat::CriticalSection> control(control_);
    if (IsOpen() || !device) return 0;
    plat::SerialSettings settings;
    settings.baud = NormaliseBaud(baud);
    settings.dataBits = dataBits;
    settings.parity = parity;
    settings.stopBits = stopBits;
    plat::SerialDevice* opened = plat::OpenSerialDevice(device, settings);
    if (!opened) return 0;
    // The ring exists before the port counts as open: the reader stores
    // into every open port.
    std::unique_ptr<unsigned char[]> storage(new (std::nothrow) unsigned char[SERIAL_RING_STORAGE]);
    if (!storage) {
        plat::CloseSerialDevice(opened);
        return 0;
    }
    std::lock_guard<plat::CriticalSection> take(take_), send(send_), visit(visit_);
    device_ = opened;
    storage_ = std::move(storage);
    ring_.Reset(storage_.get(), SERIAL_RING_SIZE);
    open_.store(1, std::memory_order_release);
    return 1;
}

void wpuart::Release() {
    open_.store(0, std::memory_order_release);
    plat::CloseSerialDevice(device_);
    device_ = nullptr;
    ring_.Reset(nullptr, 0);
    storage_.reset();
}

void wpuart::Close(bool threadsGone) {
    if (threadsGone) {
        // Nothing else runs any more: no lock, which a dead thread may hold.
        if (IsOpen()) Release();
        return;
    }
    std::lock_guard<plat::CriticalSection> control(control_);
    if (!IsOpen()) return;
    open_.store(0, std::memory_order_release);
    plat::SetSerialSignal(device_);
    plat::CancelSerialDevice(device_);
    std::lock_guard<plat::CriticalSection> send(send_), take(take_), visit(visit_);
    Release();
}

int wpuart::Read(void* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::lock_guard<plat::CriticalSection> take(take_);
    if (!IsOpen()) return 0;
    return static_cast<int>(ring_.Take(static_cast<unsigned char*>(buffer), static_cast<uint32_t>(size)));
}

int wpuart::Write(const void* data, int length) {
    if (!data || length <= 0) return 0;
    std::lock_guard<plat::CriticalSection> send(send_);
    if (!IsOpen()) return 0;
    const int n = plat::SerialWrite(device_, data, length);
    return n > 0 ? n : 0;
}

void wpuart::Visit(unsigned char* transfer) {
    for (int transfers = 0; transfers < SERIAL_TRANSFERS_PER_VISIT; ++transfers) {
        plat::Sleep(SERIAL_VISIT_PAUSE_MS);
        std::lock_guard<plat::CriticalSection> visit(visit_);
        if (!IsOpen()) return;
        const int count = plat::SerialInQueue(device_);
        if (count < 0) return; // the device is gone: nothing to wait for here
        if (count == 0) {
            // Bounded, so that the other open ports are served too.
            plat::SerialWaitEvent(device_, SERIAL_QUIET_WAIT_MS);
            return;
        }
        if (plat::DebugOutputOpen()) {
            char text[32];
            std::snprintf(text, sizeof text, "InQueue=%d\n", count);
            plat::OutputDebugString(text);
        }
        plat::WaitSerialSignal(device_, SERIAL_SIGNAL_WAIT_MS);
        const int n = plat::SerialRead(device_, transfer, std::min(count, SERIAL_TRANSFER));
        if (n <= 0) return;
        ring_.Store(transfer, static_cast<uint32_t>(n)); // what does not fit is lost
    }
}

namespace {

// Never destroyed: at process exit on POSIX the reader may still run while
// the library's static objects go; the library's image takes it along.
struct SerialState {
    wpuart ports[SERIAL_PORTS];
    plat::CriticalSection readerLock;
    bool wanted = false;  // RunSerialThread was called: serve the ports
    bool running = false; // the reader runs (both under readerLock)
};

SerialState& State() {
    static Lasting<SerialState> state;
    return *state;
}

bool AnyOpen(SerialState& s) {
    for (const wpuart& port : s.ports) {
        if (port.IsOpen()) return true;
    }
    return false;
}

void ReaderMain(void*) {
    SerialState& s = State();
    std::unique_ptr<unsigned char[]> transfer(new (std::nothrow) unsigned char[SERIAL_TRANSFER]);
    for (;;) {
        if (transfer) {
            for (wpuart& port : s.ports)
                port.Visit(transfer.get());
        }
        // A port opened from here on sees the reader gone and starts another.
        std::lock_guard<plat::CriticalSection> guard(s.readerLock);
        if (!transfer || !AnyOpen(s)) {
            s.running = false;
            return;
        }
    }
}

// Under readerLock.
bool StartReader(SerialState& s) {
    if (s.running) return true;
    s.running = true;
    if (!plat::StartLibraryThread(ReaderMain, nullptr)) s.running = false;
    return s.running;
}

int IndexError(int index) {
    return index > 9 ? -1 : index < 0 ? -2 : 0;
}

} // namespace

void SerialDetach(DetachKind how) {
    SerialState& s = State();
    const bool threadsGone = how == DetachKind::ThreadsGone;
    if (threadsGone) {
        s.wanted = false;
    } else {
        std::lock_guard<plat::CriticalSection> guard(s.readerLock);
        s.wanted = false;
    }
    // A reader still running (process exit on POSIX) finds the ports closed
    // and ends after its turn; nothing here waits for it.
    for (wpuart& port : s.ports)
        port.Close(threadsGone);
}

} // namespace dorlix

using dorlix::Guarded;

extern "C" {

DORLIX_API int DORLIX_CALL OpenSerialPort(int index, const char* device, int dataBits, int stopBits,
                                          int parity, int baud) {
    return Guarded(0, [&] {
        if (int e = dorlix::IndexError(index)) return e;
        dorlix::SerialState& s = dorlix::State();
        if (!s.ports[index].Open(device, dataBits, stopBits, parity, baud)) return 0;
        std::lock_guard<plat::CriticalSection> guard(s.readerLock);
        if (s.wanted) dorlix::StartReader(s);
        return 1;
    });
}

DORLIX_API int DORLIX_CALL CloseSerialPort(int index) {
    return Guarded(1, [&] {
        if (int e = dorlix::IndexError(index)) return e;
        dorlix::State().ports[index].Close();
        return 1;
    });
}

DORLIX_API int DORLIX_CALL ReadSerialPort(int index, void* buffer, int size) {
    return Guarded(0, [&] {
        if (int e = dorlix::IndexError(index)) return e;
        return dorlix::State().ports[index].Read(buffer, size);
    });
}

DORLIX_API int DORLIX_CALL WriteSerialPort(int index, const void* data, int length) {
    return Guarded(0, [&] {
        if (int e = dorlix::IndexError(index)) return e;
        return dorlix::State().ports[index].Write(data, length);
    });
}

DORLIX_API int DORLIX_CALL RunSerialThread(void) {
    return Guarded(0, [] {
        dorlix::SerialState& s = dorlix::State();
        std::lock_guard<plat::CriticalSection> guard(s.readerLock);
        // A second reader would be a second producer on the rings: the one
        // running serves every port.
        if (!dorlix::StartReader(s)) return 0;
        s.wanted = true;
        return 1;
    });
}

// Kept for callers of the export: the reader has no handle to give up, and
// it goes on serving the open ports.
DORLIX_API int DORLIX_CALL StopSerialThread(void) {
    return Guarded(-1, [] { return -1; });
}

DORLIX_API int DORLIX_CALL GetSerialPortInfo(SerialPortList* list) {
    return Guarded(-1, [&] {
        if (!list) return -1;
        std::vector<std::string> names;
        const int result = plat::ListSerialPorts(names);
        return dorlix::FillSerialPortList(list, names, result);
    });
}

} // extern "C"
