#pragma once
#include "simulation/TelegramSink.h"

// A serial line or pseudo-terminal as the simulator's sink: each telegram
// is written as one burst. fd is not owned; its writes are made
// non-blocking so that a line nobody drains cannot hold up a stop.
class CLineWriter : public CTelegramSink {
public:
    explicit CLineWriter(int fd);

    bool Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error) override;

private:
    int fd;
};
