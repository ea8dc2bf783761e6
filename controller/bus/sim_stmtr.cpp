// Stepper-motor card in the simulated rack. Eight channels behind the channel-select
// register 7; a start strobe on register 24 starts the selected channel, which then
// reports busy for steps / frequency seconds (frequency 0 counts as 1, at most
// MaxMoveSeconds) while its encoder counter walks to the end position in the
// direction of bit 7 of its control byte.
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "simmodels.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Channels = 8;
constexpr double MaxMoveSeconds = 5.0;
constexpr uint32_t CountZero = 0x80000000u; // counter register value for a count of 0

// Register numbers of the card.
constexpr unsigned char RegChannel = 7;
constexpr unsigned char RegCtrl = 8;
constexpr unsigned char RegFreq = 9;
constexpr unsigned char RegStepNum0 = 12; // 12..15, bits 0-7 first
constexpr unsigned char RegStepClr = 18;
constexpr unsigned char RegCountClr = 19;
constexpr unsigned char RegCount0 = 20;   // 20..23, bits 0-7 first
constexpr unsigned char RegBusy = 24;     // read busy bits, write start strobe
constexpr unsigned char RegStopNum0 = 26; // 26..29

constexpr unsigned char CtrlDir = 0x80;
constexpr unsigned char CtrlForce = 0x20;
constexpr unsigned char CtrlCntStop = 0x08;

bool PerChannel(unsigned char reg) {
    return reg >= RegCtrl && reg <= RegStopNum0 + 3 && reg != RegBusy && reg != 25;
}

struct Channel {
    unsigned char Regs[32] = {}; // per-channel registers 8..29 as last written or set
    int32_t Base = 0;            // count at the start of the move (or at the last clear/set)
    uint32_t Steps = 0;          // steps of the current move
    uint32_t DoneAtBase = 0;     // steps of the move already counted into Base
    int Dir = 1;                 // +1 or -1
    Clock::time_point Start{}, End{};
    bool Moving = false;
    bool Clearing = false; // clear register held at a non-zero value
    uint32_t Latch = CountZero;

    uint32_t Done(Clock::time_point now) const {
        if (!Moving) return Steps;
        if (now >= End) return Steps;
        double total = std::chrono::duration<double>(End - Start).count();
        double part = std::chrono::duration<double>(now - Start).count();
        if (total <= 0) return Steps;
        return static_cast<uint32_t>(static_cast<double>(Steps) * part / total);
    }
    int32_t Count(Clock::time_point now) const {
        if (Clearing) return 0;
        int64_t moved = static_cast<int64_t>(Done(now)) - DoneAtBase;
        return static_cast<int32_t>(static_cast<uint32_t>(Base) + static_cast<uint32_t>(Dir * moved));
    }
    // Makes the count what it is now and counts on from there.
    void Rebase(Clock::time_point now, int32_t count) {
        DoneAtBase = Done(now);
        Base = count;
    }
    bool Busy(Clock::time_point now) const { return Moving && now < End; }

    uint32_t Reg32(unsigned char first) const {
        const unsigned char* p = &Regs[first - RegCtrl];
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    }

    void StartMove(Clock::time_point now) {
        unsigned char ctrl = Regs[RegCtrl - RegCtrl];
        // The card receives two counts per step.
        uint32_t steps = Reg32(RegStepNum0) / 2;
        if ((ctrl & CtrlForce) && (ctrl & CtrlCntStop)) {
            uint32_t stop = Reg32(RegStopNum0);
            if (stop < steps) steps = stop;
        }
        unsigned freq = Regs[RegFreq - RegCtrl];
        double seconds = static_cast<double>(steps) / (freq ? freq : 1);
        seconds = std::min(seconds, MaxMoveSeconds);
        Rebase(now, Count(now));
        Steps = steps;
        DoneAtBase = 0;
        Dir = (ctrl & CtrlDir) ? -1 : 1;
        Start = now;
        End = now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        Moving = true;
    }
    // The step generator's clear stops the move where it is.
    void StopMove(Clock::time_point now) {
        int32_t c = Count(now);
        Steps = Done(now);
        DoneAtBase = Steps;
        Base = c;
        End = now;
    }
};

class SimSTMTR : public SimCard {
  public:
    unsigned char Read(SimSlot& s, unsigned char reg, bool Peek) override {
        auto now = Clock::now();
        Channel& c = Ch[Sel(s)];
        if (reg == RegBusy) {
            unsigned char bits = Stuck;
            for (int i = 0; i < Channels; ++i)
                if (Ch[i].Busy(now)) bits = static_cast<unsigned char>(bits | (1u << i));
            return bits;
        }
        if (reg >= RegCount0 && reg <= RegCount0 + 3) {
            // Reading the low byte latches the counter, so that the four bytes of one
            // read belong together while the motor moves.
            uint32_t live = static_cast<uint32_t>(c.Count(now)) + CountZero;
            uint32_t v = live;
            if (reg == RegCount0) {
                if (!Peek) c.Latch = live;
            } else if (!Peek) {
                v = c.Latch;
            }
            return static_cast<unsigned char>(v >> (8 * (reg - RegCount0)));
        }
        if (PerChannel(reg)) return c.Regs[reg - RegCtrl];
        return s.In[reg];
    }

    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        auto now = Clock::now();
        if (reg == RegChannel) {
            s.In[reg] = value;
            return;
        }
        Channel& c = Ch[Sel(s)];
        if (reg == RegBusy) {
            if (value) c.StartMove(now);
            return;
        }
        if (reg == RegCountClr) {
            if (value) {
                c.Rebase(now, 0);
                c.Clearing = true;
            } else if (c.Clearing) {
                c.Rebase(now, 0);
                c.Clearing = false;
            }
            c.Regs[reg - RegCtrl] = value;
            return;
        }
        if (reg == RegStepClr) {
            if (value) {
                c.StopMove(now);
                for (int i = 0; i < 4; ++i)
                    c.Regs[RegStepNum0 - RegCtrl + i] = 0;
            }
            c.Regs[reg - RegCtrl] = value;
            return;
        }
        if (reg >= RegCount0 && reg <= RegCount0 + 3) return; // the counter is read-only
        if (PerChannel(reg)) {
            c.Regs[reg - RegCtrl] = value;
            return;
        }
        SimCard::Write(s, reg, value);
    }

    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        auto now = Clock::now();
        if (reg == RegChannel) {
            s.In[reg] = value;
            return;
        }
        Channel& c = Ch[Sel(s)];
        if (reg == RegBusy) {
            // Bits set from outside stay busy: a stalled motor.
            Stuck = value;
            return;
        }
        if (reg >= RegCount0 && reg <= RegCount0 + 3) {
            uint32_t raw = static_cast<uint32_t>(c.Count(now)) + CountZero;
            int shift = 8 * (reg - RegCount0);
            raw = (raw & ~(0xFFu << shift)) | static_cast<uint32_t>(value) << shift;
            c.Rebase(now, static_cast<int32_t>(raw - CountZero));
            return;
        }
        if (PerChannel(reg)) {
            c.Regs[reg - RegCtrl] = value;
            return;
        }
        s.In[reg] = value;
    }

  private:
    // The card decodes the low three bits of the channel select.
    static int Sel(const SimSlot& s) { return s.In[RegChannel] & (Channels - 1); }

    Channel Ch[Channels];
    unsigned char Stuck = 0;
};

} // namespace

std::unique_ptr<SimCard> MakeSimSTMTR() {
    return std::make_unique<SimSTMTR>();
}
