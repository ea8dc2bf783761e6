// Cylinder card in the simulated rack: three electric actuators behind the card's
// channel-select register. A command strobed into a channel makes its actuator
// acknowledge, work for a while (move, return to origin or alarm reset) and settle;
// the status byte of the selected channel walks through the matching bits.
//
// Registers as the controller sees them:
//   5  channel select (reads back)
//   6  write: command byte of the selected channel; read: its status byte
//   7  command strobe (write 1; reads 0)
//   8  delay byte of the selected channel (reads back per channel)
//   10 fault output (reads back)
// Control channel ("set <slot> <reg> <value>"):
//   6          hold the status of the selected channel at value
//   0x60 + ch  hold the status of channel ch at value (an actuator that never answers)
//   0x64 + ch  release the hold of channel ch (any value)
//   0x68 + ch  value not 0 puts channel ch into alarm, 0 clears the alarm
// "get <slot> 0x60+ch" shows the status of channel ch without selecting it.
#include <chrono>

#include "simmodels.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Channels = 3;
constexpr unsigned char RegSelect = 5;
constexpr unsigned char RegCommand = 6;
constexpr unsigned char RegStrobe = 7;
constexpr unsigned char RegDelay = 8;
constexpr unsigned char RegHold = 0x60;
constexpr unsigned char RegRelease = 0x64;
constexpr unsigned char RegAlarm = 0x68;

// Status bits.
constexpr unsigned char StAlarm = 0x80;
constexpr unsigned char StInp = 0x40;  // clear while in position
constexpr unsigned char StArea = 0x20; // clear while inside the area
constexpr unsigned char StBusy = 0x10; // set while the actuator is at rest
constexpr unsigned char StResetting = 0x08;
constexpr unsigned char StSetOn = 0x04;
constexpr unsigned char StServo = 0x02;
constexpr unsigned char StAck = 0x01; // command taken, until it is done

// Working times of a real actuator, shortened so that tests stay quick.
constexpr auto MoveTime = std::chrono::milliseconds(200);
constexpr auto SetupTime = std::chrono::milliseconds(400);
constexpr auto ResetTime = std::chrono::milliseconds(100);

class SimCylinder : public SimCard {
  public:
    unsigned char Read(SimSlot& s, unsigned char reg, bool) override {
        if (reg == RegCommand) return Sel < Channels ? Status(Ch[Sel]) : 0xFF;
        if (reg == RegStrobe) return 0;
        if (reg == RegDelay) return Sel < Channels ? Ch[Sel].Delay : 0xFF;
        if (reg >= RegHold && reg < RegHold + Channels) return Status(Ch[reg - RegHold]);
        return s.In[reg];
    }

    void Write(SimSlot& s, unsigned char reg, unsigned char value) override {
        switch (reg) {
        case RegSelect:
            Sel = value;
            s.In[reg] = value;
            break;
        case RegCommand:
            if (Sel < Channels) Ch[Sel].Command = value;
            break;
        case RegStrobe:
            if (value == 1 && Sel < Channels) Start(Ch[Sel]);
            break;
        case RegDelay:
            if (Sel < Channels) Ch[Sel].Delay = value;
            break;
        default:
            SimCard::Write(s, reg, value);
        }
    }

    void Set(SimSlot& s, unsigned char reg, unsigned char value) override {
        if (reg == RegCommand) {
            if (Sel < Channels) Hold(Ch[Sel], value);
        } else if (reg >= RegHold && reg < RegHold + Channels) {
            Hold(Ch[reg - RegHold], value);
        } else if (reg >= RegRelease && reg < RegRelease + Channels) {
            Ch[reg - RegRelease].Held = false;
        } else if (reg >= RegAlarm && reg < RegAlarm + Channels) {
            Channel& c = Ch[reg - RegAlarm];
            Settle(c);
            if (value) {
                // The actuator stops where it is and refuses commands until reset.
                c.Alarm = true;
                c.Work = Idle;
                c.InPos = false;
            } else {
                c.Alarm = false;
            }
        } else if (reg == RegSelect) {
            Sel = value;
            s.In[reg] = value;
        } else {
            SimCard::Set(s, reg, value);
        }
    }

  private:
    enum Job { Idle, Moving, SettingUp, Resetting };
    struct Channel {
        Job Work = Idle;
        Clock::time_point Done{};
        unsigned char Command = 0;
        unsigned char Delay = 0x3F;
        bool Origin = false; // return to origin done since power-on
        bool InPos = false;
        bool Alarm = false;
        bool Held = false;
        unsigned char HeldStatus = 0;
    };

    static void Hold(Channel& c, unsigned char value) {
        c.Held = true;
        c.HeldStatus = value;
    }

    // Finishes a job whose time is up.
    static void Settle(Channel& c) {
        if (c.Work == Idle || Clock::now() < c.Done) return;
        if (c.Work == Moving) c.InPos = true;
        if (c.Work == SettingUp) {
            c.Origin = true;
            c.InPos = true;
        }
        if (c.Work == Resetting) c.Alarm = false;
        c.Work = Idle;
    }

    static void Start(Channel& c) {
        Settle(c);
        unsigned char cmd = c.Command;
        Job job;
        Clock::duration time;
        if ((cmd & 0xF0) == 0x30) {
            job = Moving;
            time = MoveTime;
        } else if (cmd == 0x20) {
            job = SettingUp;
            time = SetupTime;
        } else if (cmd == 0x10) {
            job = Resetting;
            time = ResetTime;
        } else {
            return; // not a command: no acknowledge
        }
        if (c.Alarm && job != Resetting) return; // an actuator in alarm only takes a reset
        c.Work = job;
        c.Done = Clock::now() + time;
        if (job != Resetting) c.InPos = false;
    }

    static unsigned char Status(Channel& c) {
        Settle(c);
        if (c.Held) return c.HeldStatus;
        unsigned char s = StServo;
        if (c.Origin) s |= StSetOn;
        if (c.Alarm) s |= StAlarm;
        if (c.Work == Idle)
            s |= StBusy;
        else
            s |= StAck;
        if (c.Work == Resetting) s |= StResetting;
        if (!c.InPos) s |= StInp | StArea;
        return s;
    }

    Channel Ch[Channels];
    unsigned char Sel = 0;
};

} // namespace

std::unique_ptr<SimCard> MakeSimCYMSTR() {
    return std::make_unique<SimCylinder>();
}
