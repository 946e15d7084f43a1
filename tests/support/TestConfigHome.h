#pragma once
// One temporary XDG_CONFIG_HOME for the whole test run, set before anything
// reads the per-user settings (the settings library remembers the first
// location it saw), so no test touches the real user's files.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>

inline const std::string& TestConfigHome()
{
    static const std::string home = [] {
        std::random_device random;
        const std::filesystem::path path = std::filesystem::temp_directory_path() /
            ("vantrel-config-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path);
        setenv("XDG_CONFIG_HOME", path.c_str(), 1);
        return path.string();
    }();
    return home;
}

// The company's folder inside it, where the settings and the port map live.
inline std::string TestCompanyFolder()
{
    return TestConfigHome() + "/Quorvane International Ltd";
}

class CTestConfigHomeEnvironment : public ::testing::Environment {
public:
    void SetUp() override { TestConfigHome(); }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(TestConfigHome(), ignored);
    }
};

// Registered once for the whole test program, whichever file includes this.
inline ::testing::Environment* const testConfigHomeEnvironment =
    ::testing::AddGlobalTestEnvironment(new CTestConfigHomeEnvironment);
