// The library attached once per test program, on a station of its own that
// lives while the program's tests run and is removed after the detach.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "core/lifecycle.h"
#include "station.h"

namespace vz5test {

class AttachedStation : public ::testing::Environment {
  public:
    explicit AttachedStation(std::string stem) : stem_(std::move(stem)) {}
    void SetUp() override {
        station_ = std::make_unique<Station>(stem_);
        ASSERT_TRUE(dorlix::Attach());
    }
    void TearDown() override {
        dorlix::Detach();
        station_.reset();
    }
    // The station, while the tests run.
    const Station& Get() const { return *station_; }

  private:
    std::string stem_;
    std::unique_ptr<Station> station_;
};

// Registers the environment; call once per test program, at namespace scope.
inline const AttachedStation* AttachOncePerProgram(const std::string& stem) {
    return static_cast<const AttachedStation*>(::testing::AddGlobalTestEnvironment(new AttachedStation(stem)));
}

} // namespace vz5test
