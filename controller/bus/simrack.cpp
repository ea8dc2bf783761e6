#include "simrack.h"

#include "simmodels.h"

#include <arpa/inet.h>
#include <iniparser.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

namespace {

// The board's register layout as far as the rack models it.
constexpr unsigned char BoardKindReg = 1; // read: board kind; write: keypad acknowledge
constexpr unsigned char BoardKeyReg = 2;  // read: keypad scan code; write: fault output
constexpr unsigned char BoardOutL = 5;
constexpr unsigned char BoardOutH = 6;
constexpr unsigned char BoardTaskReg = 8;
constexpr unsigned char CardModelReg = 4;

constexpr size_t MaxTraceLines = 20000;
constexpr size_t MaxReply = 60000; // one datagram

// The CPU board: board kind (1), keypad scan code (2), inputs (3, 4) set from outside,
// outputs (5, 6) reading back, setting byte (7) and task count (8). Writes to 1 and 2
// go to the keypad clear and fault registers, which do not read back.
class SimBoard : public SimCard {
  public:
    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        // Only a written 0 acknowledges the key; the board keeps presenting it otherwise.
        if (reg == BoardKindReg && value == 0) s.In[BoardKeyReg] = 0;
        if (reg == BoardOutL || reg == BoardOutH) s.In[reg] = value;
    }
    // A key press: the scan code stays in the key register until acknowledged.
    void PressKey(SimSlot& s, unsigned char code) { s.In[BoardKeyReg] = code; }
};

class SimEmpty : public SimCard {
  public:
    void Write(SimSlot&, unsigned char, unsigned char) override {}
};

SimRack* Active = nullptr;

// Decimal or 0x hexadecimal, whole token, 0..255.
bool ParseByte(const std::string& tok, unsigned& out) {
    if (tok.empty()) return false;
    const char* p = tok.c_str();
    int base = 10;
    if (tok.size() > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (!*p || *p == '-' || *p == '+') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = strtoul(p, &end, base);
    if (errno || *end || v > 255) return false;
    out = static_cast<unsigned>(v);
    return true;
}

} // namespace

unsigned char SimCard::Read(SimSlot& s, unsigned char reg, bool) {
    return s.In[reg];
}

void SimCard::Write(SimSlot& s, unsigned char reg, unsigned char value) {
    if (reg != CardModelReg) s.In[reg] = value;
}

void SimCard::Set(SimSlot& s, unsigned char reg, unsigned char value) {
    s.In[reg] = value;
}

std::unique_ptr<SimCard> MakeEmptySlot() {
    return std::make_unique<SimEmpty>();
}

std::unique_ptr<SimCard> MakeSimCard(int slot, unsigned char model) {
    if (slot == 0) return std::make_unique<SimBoard>();
    switch (model) {
    case 0x70:
        return MakeSimDPHIO();
    case 0x81:
        return MakeSimSTMTR();
    case 0x82:
        return MakeSimCYMSTR();
    case 0x83:
        return MakeSimIOS();
    case 0x84:
        return MakeSimASDA();
    case 0x85:
        return MakeSimABSENC();
    default:
        return std::make_unique<SimCard>();
    }
}

SimRack* ActiveSimRack() {
    return Active;
}

SimRack::SimRack() {
    Cards[0] = MakeSimCard(0, 0);
    for (int s = 1; s < SIMSLOTS; ++s) {
        Cards[s] = MakeEmptySlot();
        memset(Slots[s].In, 0xFF, sizeof Slots[s].In);
    }
    Active = this;
}

SimRack::~SimRack() {
    StopControl();
    if (Active == this) Active = nullptr;
}

int SimRack::Load(const char* RackFile) {
    FILE* f = RackFile ? fopen(RackFile, "r") : nullptr;
    if (!f) {
        printf("Simulated rack: cannot open %s\n", RackFile ? RackFile : "(null)");
        return -1;
    }
    fclose(f);
    dictionary* ini = iniparser_load(RackFile);
    if (!ini) {
        printf("Simulated rack: cannot parse %s\n", RackFile);
        return -2;
    }
    std::lock_guard<std::mutex> g(Lock);
    auto number = [&](const char* key, const char* text, unsigned& out) {
        if (ParseByte(text, out)) return true;
        printf("Simulated rack: ignored %s = %s\n", key, text);
        return false;
    };
    unsigned v;
    const char* kind = iniparser_getstring(ini, "board:kind", nullptr);
    if (kind && number("kind", kind, v)) Slots[0].In[BoardKindReg] = static_cast<unsigned char>(v);
    const char* tasks = iniparser_getstring(ini, "board:tasks", nullptr);
    if (tasks && number("tasks", tasks, v)) Slots[0].In[BoardTaskReg] = static_cast<unsigned char>(v);

    int n = iniparser_getsecnkeys(ini, "slots");
    if (n > 0) {
        std::vector<const char*> keys(n);
        if (iniparser_getseckeys(ini, "slots", keys.data())) {
            for (const char* key : keys) {
                const char* name = strchr(key, ':') ? strchr(key, ':') + 1 : key;
                const char* text = iniparser_getstring(ini, key, "");
                unsigned slot, model;
                if (!ParseByte(name, slot) || slot < 1 || slot > 13 || !ParseByte(text, model)) {
                    printf("Simulated rack: ignored %s = %s\n", name, text);
                    continue;
                }
                SimSlot& s = Slots[slot];
                s = SimSlot{};
                s.Model = static_cast<unsigned char>(model);
                s.In[CardModelReg] = s.Model;
                Cards[slot] = MakeSimCard(static_cast<int>(slot), s.Model);
            }
        }
    }
    iniparser_freedict(ini);
    return 1;
}

unsigned char SimRack::Selected() {
    std::lock_guard<std::mutex> g(Lock);
    return Sel;
}

unsigned char SimRack::BusRead(unsigned char reg) {
    std::lock_guard<std::mutex> g(Lock);
    unsigned char v = Cards[Sel]->Read(Slots[Sel], reg, false);
    if (Tracing) {
        TraceLines.push_back("R " + std::to_string(Sel) + " " + std::to_string(reg) + " " +
                             std::to_string(v));
        if (TraceLines.size() > MaxTraceLines) TraceLines.pop_front();
    }
    return v;
}

void SimRack::BusWrite(unsigned char reg, unsigned char value) {
    std::lock_guard<std::mutex> g(Lock);
    if (Tracing) {
        TraceLines.push_back("W " + std::to_string(Sel) + " " + std::to_string(reg) + " " +
                             std::to_string(value));
        if (TraceLines.size() > MaxTraceLines) TraceLines.pop_front();
    }
    Slots[Sel].Out[reg] = value;
    Written[Sel][reg] = 1;
    if (reg == 0) {
        // The slot-select register is the board's, whichever slot is selected.
        Sel = value;
        return;
    }
    Cards[Sel]->Write(Slots[Sel], reg, value);
}

// Driver protocol: read one byte with the register number in the buffer,
// write two bytes {value, register}.
long SimRack::Read(int, unsigned char* buf, size_t len) {
    if (!buf || len != 1) return -1;
    buf[0] = BusRead(buf[0]);
    return 1;
}

long SimRack::Write(int, const unsigned char* buf, size_t len) {
    if (!buf || len != 2) return -1;
    BusWrite(buf[1], buf[0]);
    return 2;
}

std::string SimRack::Request(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> tok;
    for (std::string t; in >> t;)
        tok.push_back(t);
    if (tok.empty()) return "error: empty request";
    const std::string& cmd = tok[0];
    unsigned a = 0, b = 0, c = 0;

    std::lock_guard<std::mutex> g(Lock);
    if (cmd == "get" || cmd == "last") {
        if (tok.size() != 3 || !ParseByte(tok[1], a) || !ParseByte(tok[2], b))
            return "error: usage " + cmd + " <slot> <reg>";
        unsigned v =
            cmd == "get" ? Cards[a]->Read(Slots[a], static_cast<unsigned char>(b), true) : Slots[a].Out[b];
        return std::to_string(v);
    }
    if (cmd == "set") {
        if (tok.size() != 4 || !ParseByte(tok[1], a) || !ParseByte(tok[2], b) || !ParseByte(tok[3], c))
            return "error: usage set <slot> <reg> <value>";
        Cards[a]->Set(Slots[a], static_cast<unsigned char>(b), static_cast<unsigned char>(c));
        return "ok";
    }
    if (cmd == "key") {
        if (tok.size() != 2 || !ParseByte(tok[1], a)) return "error: usage key <scancode>";
        static_cast<SimBoard*>(Cards[0].get())->PressKey(Slots[0], static_cast<unsigned char>(a));
        return "ok";
    }
    if (cmd == "trace") {
        if (tok.size() == 2 && tok[1] == "on") {
            Tracing = true;
            TraceLines.clear();
            return "ok";
        }
        if (tok.size() == 2 && tok[1] == "off") {
            Tracing = false;
            return "ok";
        }
        if (tok.size() != 1) return "error: usage trace [on|off]";
        // The newest accesses that fit into one datagram.
        std::string out;
        size_t used = 0;
        auto it = TraceLines.rbegin();
        for (; it != TraceLines.rend() && used + it->size() + 1 <= MaxReply; ++it)
            used += it->size() + 1;
        for (auto f = it.base(); f != TraceLines.end(); ++f) {
            out += *f;
            out += '\n';
        }
        return out;
    }
    return "error: unknown request " + cmd;
}

int SimRack::StartControl(int Port) {
    StopControl();
    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (sock < 0) {
        printf("Simulated rack: control socket: %s\n", strerror(errno));
        return 0;
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(Port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
        printf("Simulated rack: control port %d: %s\n", Port, strerror(errno));
        close(sock);
        return 0;
    }
    ControlSock = sock;
    Stop = false;
    Control = std::thread([this, sock] { ControlLoop(sock); });
    printf("Simulated rack: control channel on 127.0.0.1:%d\n", Port);
    return 1;
}

void SimRack::StopControl() {
    if (!Control.joinable()) return;
    Stop = true;
    Control.join();
    close(ControlSock);
    ControlSock = -1;
}

void SimRack::ControlLoop(int sock) {
    std::vector<char> buf(4096);
    while (!Stop) {
        pollfd p{sock, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromlen = sizeof from;
        ssize_t n =
            recvfrom(sock, buf.data(), buf.size() - 1, 0, reinterpret_cast<sockaddr*>(&from), &fromlen);
        if (n < 0) continue;
        std::string line(buf.data(), static_cast<size_t>(n));
        std::string reply = Request(line);
        sendto(sock, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromlen);
    }
}
