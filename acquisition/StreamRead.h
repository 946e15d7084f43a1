#pragma once
#include <cstddef>

class CReadInterrupt;
struct COMMTIMEOUTS;

// One read of a byte stream, a serial port or a TCP connection, from the
// non-blocking descriptor fd. It ends at the first of: count bytes
// received; a byte received and then ReadIntervalTimeout without another;
// the total timeout (multiplier * count + constant) since the start. A zero
// interval or a zero total means that condition is not used; an interval of
// 0xFFFFFFFF with no total returns at once with whatever has arrived; an
// interval and a multiplier of 0xFFFFFFFF with a constant return with the
// bytes that have arrived as soon as there are any, or empty at the constant.
//
// A read of 0 bytes at the total timeout is a success. A stream that has
// ended (hang-up, end of file: CSerialException EIO) or failed throws
// CSerialException; bytes a read already holds when the device goes are
// handed over, and the next read reports the loss. A read that interrupt
// ends before its first byte returns 0 with *interrupted set, and takes the
// interruption back.
std::size_t ReadStream(int fd, CReadInterrupt& interrupt, const COMMTIMEOUTS& timeouts, void* buffer,
                       std::size_t count, bool* interrupted);
