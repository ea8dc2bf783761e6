// Absolute-encoder card in the simulated rack. The encoder named by the channel-select
// register presents its reading at the two data registers, which also carry the
// card's 16 digital inputs, as on the real card.
//
// Control channel:
//   set <slot> 7 <ch>          select encoder ch (as the controller does)
//   set <slot> 8|9 <byte>      low|high byte of the selected encoder
//   set <slot> 32+2k|33+2k <b> low|high byte of encoder k (k = 0..3), whatever is selected
//   get <slot> 32+2k|33+2k     read them back
#include "simmodels.h"

namespace {

constexpr unsigned char SelReg = 7;
constexpr unsigned char LowReg = 8;
constexpr unsigned char HighReg = 9;
constexpr unsigned char DirectBase = 32; // 32..39: encoders 0..3, low then high byte
constexpr int Encoders = 4;

class SimABSENC : public SimCard {
  public:
    unsigned char Read(SimSlot& s, unsigned char reg, bool) override {
        if (reg == LowReg) return Lo[Sel];
        if (reg == HighReg) return Hi[Sel];
        if (IsDirect(reg)) return Direct(reg);
        return s.In[reg];
    }
    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == SelReg) Sel = value;
        // The data registers are inputs; writes to them go nowhere.
        if (reg == LowReg || reg == HighReg || IsDirect(reg)) return;
        SimCard::Write(s, reg, value);
    }
    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == SelReg) {
            Sel = value;
            s.In[reg] = value;
        } else if (reg == LowReg) {
            Lo[Sel] = value;
        } else if (reg == HighReg) {
            Hi[Sel] = value;
        } else if (IsDirect(reg)) {
            Direct(reg) = value;
        } else {
            SimCard::Set(s, reg, value);
        }
    }

  private:
    static bool IsDirect(unsigned char reg) { return reg >= DirectBase && reg < DirectBase + 2 * Encoders; }
    unsigned char& Direct(unsigned char reg) {
        int k = (reg - DirectBase) / 2;
        return (reg - DirectBase) % 2 ? Hi[k] : Lo[k];
    }

    // Any select value addresses its own pair; only 0..3 are wired to encoders.
    unsigned char Sel = 0;
    unsigned char Lo[256] = {};
    unsigned char Hi[256] = {};
};

} // namespace

std::unique_ptr<SimCard> MakeSimABSENC() {
    return std::make_unique<SimABSENC>();
}
