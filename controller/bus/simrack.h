// The simulated rack: an in-process model of the board and its cards behind the
// same register protocol as the bus driver, with a text control channel on loopback.
#pragma once
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "hardware.h"

#define SIMSLOTS 256 // every value of the slot-select register addresses a slot

// Register state of one slot. In is what a read presents, Out the last value written.
struct SimSlot {
    unsigned char Model = 0; // model number read from the model register, 0 for the board
    unsigned char In[256] = {};
    unsigned char Out[256] = {};
};

// Behaviour of one card model as the controller sees it. Card models with moving parts
// derive from it; the plain card reads back what was written to it.
class SimCard {
  public:
    virtual ~SimCard() = default;
    // Value a read of reg presents; Peek is set for a look from the control channel,
    // which must not change the card's state.
    virtual unsigned char Read(SimSlot& s, unsigned char reg, bool Peek);
    // A write by the controller (already recorded in s.Out).
    virtual void Write(SimSlot& s, unsigned char reg, unsigned char value);
    // A value given from outside with "set".
    virtual void Set(SimSlot& s, unsigned char reg, unsigned char value);
};

// Behaviour for a slot's model number (the board itself is model 0 of slot 0).
std::unique_ptr<SimCard> MakeSimCard(int slot, unsigned char model);
// A slot without a card: the floating bus reads 0xFF and keeps nothing written.
std::unique_ptr<SimCard> MakeEmptySlot();

class SimRack : public BusIo {
  public:
    SimRack();
    ~SimRack() override;

    // Loads the rack file (INI text: [board] kind, tasks; [slots] slot = model).
    // 1 loaded, -1 missing file, -2 unparsable file.
    int Load(const char* RackFile);
    // Control channel on 127.0.0.1:Port. 1 running, 0 the port could not be bound.
    int StartControl(int Port);
    void StopControl();

    long Read(int fd, unsigned char* buf, size_t len) override;
    long Write(int fd, const unsigned char* buf, size_t len) override;

    // One control request, one reply (also used by the channel).
    std::string Request(const std::string& line);

    unsigned char Selected();

  private:
    unsigned char BusRead(unsigned char reg);
    void BusWrite(unsigned char reg, unsigned char value);
    void ControlLoop(int sock);

    std::mutex Lock;
    SimSlot Slots[SIMSLOTS];
    std::unique_ptr<SimCard> Cards[SIMSLOTS];
    unsigned char Written[SIMSLOTS][256] = {}; // 1 once the controller wrote the register
    unsigned char Sel = 0;                     // slot-select register
    bool Tracing = false;
    std::deque<std::string> TraceLines;

    std::atomic<bool> Stop{false};
    std::thread Control;
    int ControlSock = -1;
};

// The rack the bus runs on, or nullptr when the bus is a device.
SimRack* ActiveSimRack();
