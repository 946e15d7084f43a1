#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <termios.h>
#include <utility>

#include "acquisition/CommSettings.h"
#include "acquisition/ReadInterrupt.h"

// Thrown by every line, not only the serial port: a failed call on the
// serial port or on a network line, carrying the
// system's error number, and a text of its own where the system's would not
// say what went wrong.
class CSerialException : public std::exception {
public:
    explicit CSerialException(std::uint32_t code, std::string reason = std::string())
        : errorCode(code), reason(std::move(reason))
    {
    }

    // The text of its own, else the system's text for errorCode, at most
    // size - 1 characters plus a NUL; false (and an empty text) when there is none.
    bool GetErrorMessage(char* buffer, unsigned size, unsigned* helpContext = nullptr) const;
    std::string GetErrorMessage() const;
    const char* what() const noexcept override;

    std::uint32_t errorCode;

private:
    std::string reason;
    mutable std::string text;
};

// Read timeouts of the port, in milliseconds, with the meaning the reception
// relies on: a read ends when count bytes arrived, when at least one byte
// arrived and then ReadIntervalTimeout passed without another, or when
// ReadTotalTimeoutMultiplier * count + ReadTotalTimeoutConstant passed.
struct COMMTIMEOUTS {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// One serial port of the system, opened exclusively and for reading only.
// Every failing system call throws CSerialException with errno; a device
// refused for permission says whose it is and what the user can do.
class CSerialPort {
public:
    enum Parity { kParityEven = 0, kParityMark = 1, kParityNone = 2, kParityOdd = 3, kParitySpace = 4 };
    enum StopBits { kStopBitsOne = 0, kStopBitsOneAndHalf = 1, kStopBitsTwo = 2 };
    enum FlowControl {
        kFlowNone = 0, kFlowCtsRts = 1, kFlowCtsDtr = 2, kFlowDsrRts = 3, kFlowDsrDtr = 4, kFlowXonXoff = 5
    };

    CSerialPort();
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens the device the port map gives for portNumber and applies the frame.
    // A path that is not a character device (a file, a folder, a FIFO) is
    // refused without being opened.
    void Open(int portNumber, unsigned baudRate, int parity, std::uint8_t dataBits, int stopBits,
              int flowControl, bool overlapped = false);
    void Close();  // safe on a closed port, never throws
    bool IsOpen() const;

    // One read, ending at the three conditions of the timeouts. A read of 0
    // bytes at the total timeout is a success. A device that has gone
    // (hang-up, I/O error) throws. A read that InterruptRead ends before its
    // first byte returns 0 with *interrupted set.
    std::size_t Read(void* buffer, std::size_t count, bool* interrupted = nullptr);

    // From any thread: ends the current or next read that has not yet
    // received a byte. ClearInterrupt takes the request back.
    void InterruptRead();
    void ClearInterrupt();

    void GetState(termios& state);
    void SetState(const termios& state);
    void SetTimeouts(const COMMTIMEOUTS& timeouts);

    const std::string& GetDevicePath() const { return devicePath; }
    // After Open: "" when the device took the frame, else what a
    // pseudo-terminal kept instead (see ApplyFrame).
    const std::string& GetFrameKept() const { return frameKept; }

    // The settings Open applies (raw, the rate and the frame, no flow
    // control) on another terminal that is open, fd at path (the
    // simulator's line). A pseudo-terminal keeps its own character size
    // and parity whatever it is asked; it is taken so, and the text
    // returned says what it kept ("" when it kept all it was asked). Any
    // other terminal that keeps another frame or rate throws
    // CSerialException EINVAL naming the frame it refused.
    static std::string ApplyFrame(int fd, const std::string& path, const CSerialFrame& frame);

    // True when the device behind path is a character device that can be
    // opened, locked for us alone, and is a terminal: what the settings
    // dialog offers. Nothing else is opened; what is, is closed again at
    // once and nothing is written to it.
    static bool Probe(const std::string& devicePath);

    // The line settings Open applies, built on state (raw mode, rate, frame,
    // flow control; unknown parity, stop-bit and flow codes keep what state
    // had). Throws CSerialException EINVAL for a rate or character size the
    // system does not offer. A pseudo-terminal ignores character size and
    // parity, so this is also how they are checked.
    static void ComposeState(termios& state, unsigned baudRate, int parity, std::uint8_t dataBits,
                             int stopBits, int flowControl);

private:
    // Sets wanted on fd and checks what it kept, as ApplyFrame says.
    static std::string ApplyState(int fd, const std::string& path, const termios& wanted);

    int fd = -1;
    CReadInterrupt interrupt;  // what InterruptRead signals
    bool overlapped = false;
    COMMTIMEOUTS timeouts;
    std::string devicePath;
    std::string frameKept;
};
