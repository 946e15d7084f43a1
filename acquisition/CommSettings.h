#pragma once
#include <cstdint>
#include <string>

class CSettingsStore;

// The line's character frame, as the serial port takes it.
struct CSerialFrame {
    unsigned baudRate = 9600;
    int parity = 2;             // CSerialPort::Parity
    std::uint8_t dataBits = 8;
    int stopBits = 0;           // CSerialPort::StopBits

    bool operator==(const CSerialFrame&) const = default;
};

// How the byte stream of the line is cut into reads: by 60 ms of silence
// (the default, as always), or by the telegrams' own frames as the format
// defines them.
enum class CFraming { BySilence, ByContent };

// Port name, configuration string, framing and receive timeout of the line.
// The strings and the framing are read from the store at construction and
// written back at once on every change; the timeout always starts at 2
// seconds and is never kept.
class CommSettings {
public:
    static constexpr const char* kDefaultPortName = "COM1";
    static constexpr const char* kDefaultConfig = "Config(9600,8,N,1)";
    static constexpr int kDefaultReceiveTimeout = 2;

    explicit CommSettings(CSettingsStore* registry);
    virtual ~CommSettings() = default;

    std::string GetPortName() const { return portName; }
    std::string GetConfig() const { return configString; }
    int GetReceiveTimeout() const { return receiveTimeout; }
    CFraming GetFraming() const { return framing; }

    void SetPortName(const std::string& name);
    void SetConfig(const std::string& text);
    void SetReceiveTimeout(int seconds) { receiveTimeout = seconds; }
    void SetFraming(CFraming how);

    // "silence" or "content", as stored and as the command line takes it;
    // FramingFor reads anything but "content" as silence.
    static const char* FramingText(CFraming how);
    static CFraming FramingFor(const std::string& text);

    // "COM12" is port 12 and "COM" alone port 1; whatever remains once every
    // "COM" is removed is read for its leading number, so "PORT3" is port 0,
    // which no device answers to.
    static int PortNumberFor(const std::string& portName);

    // The baud rate is the last of the known rates found anywhere in the
    // text (9600 when none is); the frame is 8-N-1 when the text holds
    // "8,N,1" and 7-O-2 otherwise, the empty text included.
    static CSerialFrame FrameFor(const std::string& configString);

private:
    CSettingsStore* registry;
    int receiveTimeout = kDefaultReceiveTimeout;
    std::string portName = kDefaultPortName;
    std::string configString = kDefaultConfig;
    CFraming framing = CFraming::BySilence;
};
