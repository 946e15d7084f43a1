#pragma once
#include <string>

// A pseudo-terminal standing in for a serial line: the writing side is
// the master, a reader opens the slave path as its port. The slave side is
// put in raw mode at once, so bytes written before any reader has set its
// own frame still arrive untouched (no line editing, echo or line-end
// translation). Throws std::runtime_error with the system's reason when
// no pseudo-terminal can be had.
class CPtyLine {
public:
    CPtyLine();
    ~CPtyLine();
    CPtyLine(const CPtyLine&) = delete;
    CPtyLine& operator=(const CPtyLine&) = delete;

    int MasterFd() const { return master; }
    const std::string& SlavePath() const { return slavePath; }

private:
    int master = -1;
    std::string slavePath;
};
