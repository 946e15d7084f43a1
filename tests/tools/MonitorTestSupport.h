#pragma once
// For the tests of vantrel-cli monitor: a settings folder of its own for
// every test, and reading what the monitor leaves behind (its reports and
// its CSV log).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "tests/decoders/DecoderTestSupport.h"

inline std::size_t Occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The rows of a CSV log that stand for telegrams (not the header rows).
inline std::size_t TelegramRows(const std::string& csv)
{
    std::size_t rows = 0;
    for (const std::string& line : SplitLines(csv)) {
        if (line.rfind("Time,", 0) != 0 && line.rfind("Base ->", 0) != 0)
            ++rows;
    }
    return rows;
}

// Telegrams sent as fast as the line goes, or waiting on a line before the
// monitor opens it, come several to a read framed by silence, which the
// monitor rightly tells once: tests of other messages look past that line.
inline std::string WithoutFramingAdvice(std::string err)
{
    const std::size_t advice = err.find("--framing content would read each on its own\n");
    if (advice == std::string::npos)
        return err;
    const std::size_t start = err.rfind('\n', advice);
    const std::size_t from = start == std::string::npos ? 0 : start + 1;
    return err.erase(from, err.find('\n', advice) + 1 - from);
}

class CMonitorTest : public ::testing::Test {
protected:
    // Children started without an environment of their own get this folder too.
    CMonitorTest() { setenv("XDG_CONFIG_HOME", home.path.c_str(), 1); }

    std::string ConfigHome() const { return "XDG_CONFIG_HOME=" + home.path.string(); }
    std::string StoredSettings() const
    {
        return ReadWholeFile((home.path / "Quorvane International Ltd" / "Vantrel.conf").string());
    }

    // The port map the children read at every opening, replaced whole.
    void MapPorts(const std::string& entries) const
    {
        const std::filesystem::path folder = home.path / "Quorvane International Ltd";
        std::filesystem::create_directories(folder);
        const std::filesystem::path next = folder / "Vantrel-ports.conf.next";
        std::ofstream(next) << entries << "\n";
        std::filesystem::rename(next, folder / "Vantrel-ports.conf");
    }

    CTempDir home;
    CTempDir logs;
};
