// Servo-drive card in the simulated rack. Four channels behind a channel-select
// register; a start strobe makes the selected channel busy for Step / frequency seconds
// (Step = pulse count / 2, frequency byte 0 counts as 1; at most 5 seconds, so that
// slow moves such as DG's still end in a test run), after which the encoder
// counter has moved by Step: down for direction 1, up for direction 0. Registers that
// the controller writes per channel read back per channel; the I/O lines and every
// other register read back what was written or set.
#include <chrono>
#include <cstdint>

#include "simmodels.h"

namespace {

constexpr unsigned char ChSelReg = 7;
constexpr unsigned char CtrlReg = 8;
constexpr unsigned char FreqReg = 9;
constexpr unsigned char PulseReg0 = 12; // 12..15, bits 0-7 first
constexpr unsigned char ClrReg = 18;
constexpr unsigned char EncClrReg = 19;
constexpr unsigned char EncReg0 = 20;     // 20..23, bits 0-7 first
constexpr unsigned char BusyReg = 24;     // read: busy bits; write 1: start
constexpr unsigned char StopReg0 = 26;    // 26..29
constexpr uint32_t EncZero = 0x80000000u; // what the counter register holds for a count of 0

using Clock = std::chrono::steady_clock;
constexpr double MaxMoveSeconds = 5.0;

struct Channel {
    unsigned char Ctrl = 0;
    unsigned char Freq = 0;
    uint32_t Pulses = 0;
    uint32_t StopCount = 0;
    uint32_t Enc = EncZero;
    bool Busy = false;
    Clock::time_point End{};
    uint32_t Steps = 0; // steps of the running move, counted when it ends
    bool Down = false;
};

void SetByte(uint32_t& word, int idx, unsigned char value) {
    int shift = idx * 8;
    word = (word & ~(0xFFu << shift)) | (static_cast<uint32_t>(value) << shift);
}

unsigned char GetByte(uint32_t word, int idx) {
    return static_cast<unsigned char>(word >> (idx * 8));
}

class SimASDA : public SimCard {
  public:
    unsigned char Read(SimSlot& s, unsigned char reg, bool) override {
        // Finishing moves by the clock changes nothing a later read would not see anyway,
        // so a look from the control channel may do it too.
        Update();
        Channel& c = Ch[Sel & 3];
        if (reg == ChSelReg) return Sel;
        if (reg == CtrlReg) return c.Ctrl;
        if (reg == FreqReg) return c.Freq;
        if (reg >= PulseReg0 && reg < PulseReg0 + 4) return GetByte(c.Pulses, reg - PulseReg0);
        if (reg >= EncReg0 && reg < EncReg0 + 4) return GetByte(c.Enc, reg - EncReg0);
        if (reg >= StopReg0 && reg < StopReg0 + 4) return GetByte(c.StopCount, reg - StopReg0);
        if (reg == BusyReg) {
            unsigned char bits = Held;
            for (int k = 0; k < 4; ++k)
                if (Ch[k].Busy) bits = static_cast<unsigned char>(bits | (1u << k));
            return bits;
        }
        return SimCard::Read(s, reg, false);
    }

    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        Update();
        Channel& c = Ch[Sel & 3];
        if (PerChannel(c, reg, value)) return;
        if (reg >= EncReg0 && reg < EncReg0 + 4) return; // the counter is read-only
        if (reg == ClrReg) {
            // Clearing the pulse generator abandons a running move uncounted.
            if (value) {
                c.Busy = false;
                c.Pulses = 0;
            }
            return;
        }
        if (reg == EncClrReg) {
            if (value) c.Enc = EncZero;
            return;
        }
        if (reg == BusyReg) {
            if (value & 1) Start(c);
            return;
        }
        SimCard::Write(s, reg, value);
    }

    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        Update();
        Channel& c = Ch[Sel & 3];
        if (PerChannel(c, reg, value)) return;
        if (reg >= EncReg0 && reg < EncReg0 + 4) {
            SetByte(c.Enc, reg - EncReg0, value);
            return;
        }
        if (reg == BusyReg) {
            // Busy bits held from outside: a drive that never reports its move done.
            Held = value;
            return;
        }
        SimCard::Set(s, reg, value);
    }

  private:
    // Registers that select or belong to one channel.
    bool PerChannel(Channel& c, unsigned char reg, unsigned char value) {
        if (reg == ChSelReg) {
            Sel = value;
            return true;
        }
        if (reg == CtrlReg) {
            c.Ctrl = value;
            return true;
        }
        if (reg == FreqReg) {
            c.Freq = value;
            return true;
        }
        if (reg >= PulseReg0 && reg < PulseReg0 + 4) {
            SetByte(c.Pulses, reg - PulseReg0, value);
            return true;
        }
        if (reg >= StopReg0 && reg < StopReg0 + 4) {
            SetByte(c.StopCount, reg - StopReg0, value);
            return true;
        }
        return false;
    }

    void Start(Channel& c) {
        if (c.Busy) return; // a busy drive ignores another start
        c.Steps = c.Pulses / 2;
        c.Down = (c.Ctrl & 0x80) != 0;
        if (c.Steps == 0) return;
        double seconds = static_cast<double>(c.Steps) / (c.Freq ? c.Freq : 1);
        if (seconds > MaxMoveSeconds) seconds = MaxMoveSeconds;
        c.End = Clock::now() +
                std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        c.Busy = true;
    }

    void Update() {
        auto now = Clock::now();
        for (Channel& c : Ch) {
            if (!c.Busy || now < c.End) continue;
            c.Busy = false;
            c.Enc = c.Down ? c.Enc - c.Steps : c.Enc + c.Steps;
        }
    }

    Channel Ch[4];
    unsigned char Sel = 0; // only the two low bits decode a channel
    unsigned char Held = 0;
};

} // namespace

std::unique_ptr<SimCard> MakeSimASDA() {
    return std::make_unique<SimASDA>();
}
