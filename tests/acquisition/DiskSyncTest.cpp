// The disk syncer of the logs on real files, a pipe and a device.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "acquisition/DiskSync.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

TEST(DiskSync, FileOnTheDiskIsSynchronised)
{
    CTempDir dir;
    std::FILE* file = std::fopen(dir.File("log.csv").c_str(), "a");
    ASSERT_NE(file, nullptr);
    std::fputs("row\n", file);
    std::fflush(file);
    EXPECT_EQ(DataSyncerFor(file)(), "");
    std::fclose(file);
}

// Logging into a pipe or onto a device is no failure, though the system
// cannot synchronise them.
TEST(DiskSync, PipesAndDevicesCountAsSynchronised)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::FILE* pipe = ::fdopen(ends[1], "w");
    ASSERT_NE(pipe, nullptr);
    EXPECT_EQ(DataSyncerFor(pipe)(), "");
    std::fclose(pipe);
    ::close(ends[0]);

    std::FILE* device = std::fopen("/dev/null", "a");
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(DataSyncerFor(device)(), "");
    std::fclose(device);
}

} // namespace
