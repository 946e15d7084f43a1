#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
// seconds and is never kept. A stored port name or configuration string
// that cannot be used (not of the form the settings dialog writes) gives
// way to the default, and StoredValueFaults says so.
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

    // The configuration texts the settings dialog writes, and only they:
    // "Config(BAUD,8,N,1)" or "Config(BAUD,7,O,2)", BAUD one of the known rates.
    static bool IsConfigText(const std::string& text);
    // That form as the user is told it.
    static std::string ConfigForm();
    // "COMn" with n a decimal number from 1, as the settings dialog writes it.
    static bool IsPortName(const std::string& name);

    // The stored "Telegram", else the default type: when nothing is stored,
    // or (told in *fault) what is stored is no whole number.
    static std::int32_t StoredTelegramType(CSettingsStore& store, std::string* fault = nullptr);
    // The stored "Config", else the default: when nothing is stored, or
    // (told in *fault) what is stored cannot be read or is not a
    // configuration text.
    static std::string StoredConfig(CSettingsStore& store, std::string* fault = nullptr);
    // The stored "Port" likewise.
    static std::string StoredPortName(CSettingsStore& store, std::string* fault = nullptr);

    // What the construction found stored that could not be used, one
    // sentence each, saying what was used instead.
    const std::vector<std::string>& StoredValueFaults() const { return storedValueFaults; }

private:
    CSettingsStore* registry;
    int receiveTimeout = kDefaultReceiveTimeout;
    std::string portName = kDefaultPortName;
    std::string configString = kDefaultConfig;
    CFraming framing = CFraming::BySilence;
    std::vector<std::string> storedValueFaults;
};
