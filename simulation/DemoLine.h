#pragma once
#include <memory>
#include <string>

// A simulated serial line for a newcomer without hardware: a pseudo-terminal
// fed by the built-in simulator, mapped to a COM port name of this process so
// the controller reads it like a real port.
class CDemoLine {
public:
    // Throws std::runtime_error when no pseudo-terminal can be had.
    explicit CDemoLine(int typeCode, double telegramsPerSecond = 2.0);
    ~CDemoLine();

    // The port name ("COMn") that reads this line in this process.
    std::string PortName() const;
    std::string DevicePath() const;

    // Sends telegrams of another format from now on (after a settings change).
    void SetTelegramType(int typeCode);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
