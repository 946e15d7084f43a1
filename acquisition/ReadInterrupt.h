#pragma once

// Lets another thread end a line's wait for bytes: the user's commands and
// the shut-down signal it, the line's read watches it. An eventfd, so a
// read can wait for it together with the line in one poll.
class CReadInterrupt {
public:
    CReadInterrupt();
    ~CReadInterrupt();
    CReadInterrupt(const CReadInterrupt&) = delete;
    CReadInterrupt& operator=(const CReadInterrupt&) = delete;

    // Makes the eventfd if the constructor could not; throws
    // CSerialException with errno when it still cannot be made.
    void Require();

    // From any thread: the current or next wait ends. Clear takes it back.
    void Signal();
    void Clear();

    // What a read polls for POLLIN; -1 while there is no eventfd.
    int Fd() const { return fd; }

private:
    int fd = -1;
};
