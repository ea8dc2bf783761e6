// Digital I/O card in the simulated rack. Outputs (5, 6, relay 7) and the fault
// register (10) read back what the controller wrote; inputs (8, 9) show what the
// control channel set and ignore writes; version (3) and model (4) are fixed.
#include "simmodels.h"

namespace {

constexpr unsigned char IosVerReg = 3;
constexpr unsigned char IosModelReg = 4;
constexpr unsigned char IosInL = 8;
constexpr unsigned char IosInH = 9;
constexpr unsigned char IosVersion = 0x12;

class SimIOS : public SimCard {
  public:
    unsigned char Read(SimSlot& s, unsigned char reg, bool) override {
        if (reg == IosVerReg) return Version;
        return s.In[reg];
    }
    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == IosVerReg || reg == IosModelReg || reg == IosInL || reg == IosInH) return;
        s.In[reg] = value;
    }
    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == IosVerReg)
            Version = value;
        else
            s.In[reg] = value;
    }

  private:
    unsigned char Version = IosVersion;
};

} // namespace

std::unique_ptr<SimCard> MakeSimIOS() {
    return std::make_unique<SimIOS>();
}
