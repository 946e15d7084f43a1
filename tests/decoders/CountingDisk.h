#pragma once
// A stand-in for the disk under a decoder's logs, for tests of when the logs
// are synchronised and of a disk that fails.
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "decoders/LogFiles.h"

// Stands in for the disk: counts, per file in the order they were opened,
// how often each was synchronised, and fails when told to.
class CCountingDisk {
public:
    DiskSyncer Syncer()
    {
        return [this](std::FILE*) -> FileSyncer {
            std::atomic<int>& count = counts[opened++ % 2];
            return [this, &count] {
                ++count;
                return failure();
            };
        };
    }
    int Syncs(int file) const { return counts[file]; }
    // What every sync returns: "" for success, else the failure's text.
    // Set it while no logs synchronised by this disk are open.
    std::function<std::string()> failure = [] { return std::string(); };

private:
    std::atomic<int> counts[2] = {0, 0};
    int opened = 0;
};
