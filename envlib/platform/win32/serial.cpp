// Serial devices on the Win32 communication calls, with overlapped I/O.
#include "platform/win32/winapi.h"

#include <cstdio>
#include <new>

#include "platform/serial.h"

namespace plat {

class SerialDevice {
  public:
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE signal = nullptr;
    OVERLAPPED readOv{};
    OVERLAPPED writeOv{};
    OVERLAPPED waitOv{};
    DWORD eventMask = 0;

    ~SerialDevice() {
        if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
        for (HANDLE h : {signal, readOv.hEvent, writeOv.hEvent, waitOv.hEvent}) {
            if (h) ::CloseHandle(h);
        }
    }
};

namespace {
bool Configure(HANDLE h, const SerialSettings& s) {
    if (!::SetupComm(h, 40960, 4096)) return false;
    if (!::SetCommMask(h, EV_RXCHAR)) return false;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD; // a read returns at once with what is there
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 50;
    timeouts.WriteTotalTimeoutConstant = 2000;
    if (!::SetCommTimeouts(h, &timeouts)) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(h, &dcb)) return false;
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.BaudRate = static_cast<DWORD>(s.baud);
    dcb.ByteSize = static_cast<BYTE>(s.dataBits);
    switch (s.parity) {
    case 0:
        dcb.Parity = NOPARITY;
        break;
    case 1:
        dcb.Parity = EVENPARITY;
        break;
    case 2:
        dcb.Parity = ODDPARITY;
        break;
    default:
        break;
    }
    switch (s.stopBits) {
    case 0:
        dcb.StopBits = ONESTOPBIT;
        break;
    case 1:
        dcb.StopBits = ONE5STOPBITS;
        break;
    case 2:
        dcb.StopBits = TWOSTOPBITS;
        break;
    default:
        break;
    }
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 50;
    dcb.XoffLim = 50;
    return ::SetCommState(h, &dcb) != 0;
}

HANDLE NewEvent(BOOL initiallySet) {
    return ::CreateEventA(nullptr, TRUE, initiallySet, nullptr);
}

// Completes an overlapped call: the bytes moved, -1 on failure.
int Finish(HANDLE h, OVERLAPPED& ov, BOOL started, DWORD done) {
    if (started) return static_cast<int>(done);
    if (::GetLastError() != ERROR_IO_PENDING) return -1;
    if (!::GetOverlappedResult(h, &ov, &done, TRUE)) return -1;
    return static_cast<int>(done);
}
} // namespace

SerialDevice* OpenSerialDevice(const char* name, const SerialSettings& settings) {
    if (!name) return nullptr;
    char path[300];
    const int n = std::snprintf(path, sizeof path, "\\\\.\\%s", name);
    if (n < 0 || n >= static_cast<int>(sizeof path)) return nullptr; // no device has so long a name
    SerialDevice* device = new (std::nothrow) SerialDevice;
    if (!device) return nullptr;
    device->handle = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, nullptr);
    bool ok = device->handle != INVALID_HANDLE_VALUE && Configure(device->handle, settings);
    if (ok) {
        device->signal = NewEvent(TRUE);
        device->readOv.hEvent = NewEvent(FALSE);
        device->writeOv.hEvent = NewEvent(FALSE);
        device->waitOv.hEvent = NewEvent(FALSE);
        ok = device->signal && device->readOv.hEvent && device->writeOv.hEvent && device->waitOv.hEvent;
    }
    if (!ok) {
        delete device;
        return nullptr;
    }
    return device;
}

void CloseSerialDevice(SerialDevice* device) {
    delete device;
}

int SerialInQueue(SerialDevice* device) {
    DWORD errors = 0;
    COMSTAT stat{};
    if (!::ClearCommError(device->handle, &errors, &stat)) return -1;
    return static_cast<int>(stat.cbInQue);
}

int SerialRead(SerialDevice* device, void* buffer, int size) {
    DWORD done = 0;
    ::ResetEvent(device->readOv.hEvent);
    const BOOL started = ::ReadFile(device->handle, buffer, static_cast<DWORD>(size), &done, &device->readOv);
    return Finish(device->handle, device->readOv, started, done);
}

int SerialWrite(SerialDevice* device, const void* data, int length) {
    DWORD errors = 0;
    COMSTAT stat{};
    ::ClearCommError(device->handle, &errors, &stat);
    DWORD done = 0;
    ::ResetEvent(device->writeOv.hEvent);
    const BOOL started =
        ::WriteFile(device->handle, data, static_cast<DWORD>(length), &done, &device->writeOv);
    return Finish(device->handle, device->writeOv, started, done);
}

bool SerialWaitEvent(SerialDevice* device, uint32_t timeoutMs) {
    OVERLAPPED& ov = device->waitOv;
    ::ResetEvent(ov.hEvent);
    device->eventMask = 0;
    if (::WaitCommEvent(device->handle, &device->eventMask, &ov)) return (device->eventMask & EV_RXCHAR) != 0;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    DWORD done = 0;
    if (::WaitForSingleObject(ov.hEvent, timeoutMs) != WAIT_OBJECT_0) {
        // Quiet for the whole bound: the wait is given up, and the record
        // may be used again only once the system has let go of it.
        ::CancelIoEx(device->handle, &ov);
        ::GetOverlappedResult(device->handle, &ov, &done, TRUE);
        return false;
    }
    if (!::GetOverlappedResult(device->handle, &ov, &done, FALSE)) return false;
    return (device->eventMask & EV_RXCHAR) != 0;
}

void CancelSerialDevice(SerialDevice* device) {
    // An empty event mask ends a pending event wait; the write in progress
    // is ended too, so that a close need not sit out its time-out.
    ::SetCommMask(device->handle, 0);
    ::CancelIoEx(device->handle, &device->writeOv);
}

void SetSerialSignal(SerialDevice* device) {
    ::SetEvent(device->signal);
}

void WaitSerialSignal(SerialDevice* device, uint32_t timeoutMs) {
    ::WaitForSingleObject(device->signal, timeoutMs);
    ::ResetEvent(device->signal);
}

int ListSerialPorts(std::vector<std::string>& names) {
    names.clear();
    HKEY key = nullptr;
    // Reading the map needs no more than read access; full access is refused
    // to users without administrator rights.
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return -1;
    for (DWORD i = 0; i < 100; ++i) {
        char valueName[256];
        DWORD nameSize = sizeof valueName;
        BYTE data[301];
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG rc = ::RegEnumValueA(key, i, valueName, &nameSize, nullptr, &type, data, &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        data[dataSize < sizeof data ? dataSize : sizeof data - 1] = 0;
        names.emplace_back(reinterpret_cast<const char*>(data));
    }
    return ::RegCloseKey(key) == ERROR_SUCCESS ? 0 : -2;
}

} // namespace plat
