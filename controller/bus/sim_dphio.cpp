// Analog card in the simulated rack. Every channel holds a raw 16-bit reading that is
// present as soon as the channel is selected (the card class reads right after the
// select's settle time, so the conversion is taken as done by then). The converter's
// parameter memory answers the parameter-access protocol: with the access enable at 1,
// the run strobe stores the value byte (address bit 0 set) or latches the addressed
// parameter into the high-byte register for reading (bit 0 clear).
//
// Control channel:
//   set <slot> 5 <ch>            select channel ch (as the controller does)
//   set <slot> 6|7 <byte>        low|high byte of the selected channel's reading
//   set <slot> 32+2k|33+2k <b>   low|high byte of channel k (k = 0..7), whatever is selected
//   set <slot> 12|13 <byte>      digital inputs 0-7 | 8-15
//   get <slot> 128+r             converter parameter r (0..127); set writes it
#include "simmodels.h"

namespace {

constexpr unsigned char ChReg = 5;
constexpr unsigned char RunLowReg = 6; // write: run strobe; read: reading, low byte
constexpr unsigned char HighReg = 7;   // reading, high byte; parameter read-back
constexpr unsigned char CtrlReg = 9;
constexpr unsigned char AddrReg = 10;
constexpr unsigned char ParaReg = 11;
constexpr unsigned char InLReg = 12;
constexpr unsigned char InHReg = 13;
constexpr unsigned char DirectBase = 32; // 32..47: channels 0..7, low then high byte
constexpr int Channels = 8;
constexpr unsigned char ParamBase = 128; // 128..255: converter parameters 0..127

class SimDPHIO : public SimCard {
  public:
    // Every channel starts at 0x7FFF, zero volts.
    SimDPHIO() {
        for (int i = 0; i < 256; ++i) {
            Lo[i] = 0xFF;
            Hi[i] = 0x7F;
        }
    }
    unsigned char Read(SimSlot& s, unsigned char reg, bool) override {
        if (reg == RunLowReg) return Lo[Sel];
        if (reg == HighReg) return Ctrl == 1 ? ReadBack : Hi[Sel];
        if (IsDirect(reg)) return Direct(reg);
        if (reg >= ParamBase) return Param[reg - ParamBase];
        return s.In[reg];
    }
    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        switch (reg) {
        case ChReg:
            Sel = value;
            break;
        case RunLowReg:
            Strobe();
            return; // the strobe is not the reading
        case HighReg:
        case InLReg:
        case InHReg:
            return; // inputs
        case CtrlReg:
            Ctrl = value;
            break;
        case AddrReg:
            Addr = value;
            break;
        case ParaReg:
            Para = value;
            break;
        default:
            if (IsDirect(reg) || reg >= ParamBase) return;
        }
        SimCard::Write(s, reg, value);
    }
    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == ChReg) {
            Sel = value;
            s.In[reg] = value;
        } else if (reg == RunLowReg) {
            Lo[Sel] = value;
        } else if (reg == HighReg) {
            Hi[Sel] = value;
        } else if (IsDirect(reg)) {
            Direct(reg) = value;
        } else if (reg >= ParamBase) {
            Param[reg - ParamBase] = value;
        } else {
            SimCard::Set(s, reg, value);
        }
    }

  private:
    void Strobe() {
        if (Ctrl != 1) return; // a plain conversion start: readings are always current
        if (Addr & 1)
            Param[Addr >> 1] = Para;
        else
            ReadBack = Param[Addr >> 1];
    }
    static bool IsDirect(unsigned char reg) { return reg >= DirectBase && reg < DirectBase + 2 * Channels; }
    unsigned char& Direct(unsigned char reg) {
        int k = (reg - DirectBase) / 2;
        return (reg - DirectBase) % 2 ? Hi[k] : Lo[k];
    }

    unsigned char Sel = 0;
    unsigned char Lo[256];
    unsigned char Hi[256];
    unsigned char Ctrl = 0, Addr = 0, Para = 0, ReadBack = 0;
    unsigned char Param[128] = {};
};

} // namespace

std::unique_ptr<SimCard> MakeSimDPHIO() {
    return std::make_unique<SimDPHIO>();
}
