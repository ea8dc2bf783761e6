// A private station with the identifier-table file and its companions.
#pragma once
#include "core/lifecycle.h"
#include "ids/idtables.h"
#include "platform/platform.h"

#include <dorlix.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "station.h"

class IdTableTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        station_ = std::make_unique<vz5test::Station>("dorlix-ids");
        station_->MakeFolder("D:\\VZ5\\system");
        ASSERT_TRUE(dorlix::Attach());
        // The table path comes from the working copy, which the first environment read fills.
        std::vector<char> rec(static_cast<size_t>(GetSysEnvStrSize()));
        GetSysEnv(rec.data());
        ASSERT_FALSE(dorlix::IdTablePath().empty());
    }
    static void TearDownTestSuite() {
        dorlix::Detach();
        station_.reset();
    }
    // Writes the table file (companion "" / "1" / "2") with the given INI text.
    static std::string WriteTable(const std::string& text, const std::string& companion = "") {
        std::string path = plat::MapPath((dorlix::IdTablePath() + companion).c_str());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    static inline std::unique_ptr<vz5test::Station> station_;
};
