// A private library root with the identifier-table file and its companions.
#pragma once
#include "core/lifecycle.h"
#include "ids/idtables.h"
#include "platform/platform.h"

#include <dorlix.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class IdTableTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char tmpl[] = "/tmp/dorlix-ids-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("DORLIX_ROOT", root_.c_str(), 1);
        std::filesystem::create_directories(root_ + "/d/VZ5/system");
        ASSERT_TRUE(dorlix::Attach());
        // The table path comes from the working copy, which the first environment read fills.
        std::vector<char> rec(static_cast<size_t>(GetSysEnvStrSize()));
        GetSysEnv(rec.data());
        ASSERT_FALSE(dorlix::IdTablePath().empty());
    }
    static void TearDownTestSuite() {
        dorlix::Detach();
        std::filesystem::remove_all(root_);
    }
    // Writes the table file (companion "" / "1" / "2") with the given INI text.
    static std::string WriteTable(const std::string& text, const std::string& companion = "") {
        std::string path = plat::MapPath((dorlix::IdTablePath() + companion).c_str());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }
    static inline std::string root_;
};
