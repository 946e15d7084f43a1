#include "acquisition/CommSettings.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <optional>

#include "acquisition/SerialPort.h"
#include "acquisition/SettingsStore.h"
#include "decoders/FormatTable.h"

namespace {

// The rates the settings offer, in the order the configuration text is searched for them.
constexpr struct {
    const char* text;
    unsigned rate;
} kRates[] = {{"2400", 2400},   {"4800", 4800},   {"9600", 9600},    {"19200", 19200},
              {"38400", 38400}, {"57600", 57600}, {"115200", 115200}};

// A string setting: the form the settings dialog writes, how the line
// reads a value of another form, and what is used when none can be read.
struct CTextSetting {
    const char* name;
    bool (*accepted)(const std::string& value);
    std::string form;                            // "not ...": what the value is not
    std::string (*readAs)(const std::string& value);  // what the line makes of it
    std::string byDefault;
};

// What the user is told of a stored value of another form than the dialog
// writes (readAs: what the line makes of it), or of one that cannot be read.
std::string StoredValueFault(const char* name, const std::string& value, bool readable, const std::string& form,
                             const std::string& readAs, const std::string& byDefault)
{
    const std::string stored = "the stored " + std::string(name) + " ";
    if (!readable)
        return stored + "cannot be read; " + byDefault + " is used";
    return stored + "\"" + value + "\" is " + form + "; it is read as " + readAs;
}

// The stored value when it can be read: one of another form is kept, as the
// line has always read such values (an empty Config opens at 9600 7-O-2, a
// port name without COM names no port) and told in *fault. A value that
// cannot be read gives the default, told too; nothing stored is no fault.
std::optional<std::string> ReadStoredText(CSettingsStore& store, const CTextSetting& setting, std::string* fault)
{
    std::string value;
    const bool readable = store.ReadString(setting.name, value);
    if (readable && setting.accepted(value))
        return value;
    if ((readable || store.Contains(setting.name)) && fault)
        *fault = StoredValueFault(setting.name, value, readable, setting.form, readable ? setting.readAs(value) : "",
                                  setting.byDefault);
    if (readable)
        return value;
    return std::nullopt;
}

// How the line reads a configuration text: "9600 baud 7-O-2".
std::string ConfigReading(const std::string& config)
{
    const CSerialFrame frame = CommSettings::FrameFor(config);
    return std::to_string(frame.baudRate) + " baud " + std::to_string(frame.dataBits) + "-" +
           (frame.parity == CSerialPort::kParityNone ? "N" : "O") + "-" +
           (frame.stopBits == CSerialPort::kStopBitsOne ? "1" : "2");
}

// How the line reads a port name: the port it opens ("COM0" opens none).
std::string PortReading(const std::string& name)
{
    const int number = CommSettings::PortNumberFor(name);
    return "COM" + std::to_string(number) + (number > 0 ? "" : ", which names no port");
}

std::string WithoutEveryCom(const std::string& name)
{
    static const std::string com = "COM";
    std::string rest;
    std::size_t from = 0;
    for (std::size_t at = name.find(com); at != std::string::npos; at = name.find(com, from)) {
        rest.append(name, from, at - from);
        from = at + com.size();
    }
    rest.append(name, from, std::string::npos);
    return rest;
}
} // namespace

CommSettings::CommSettings(CSettingsStore* store) : registry(store)
{
    std::string fault;
    const auto noteFault = [this, &fault] {
        if (!fault.empty())
            storedValueFaults.push_back(fault);
        fault.clear();
    };
    configString = StoredConfig(*registry, &fault);
    noteFault();
    portName = StoredPortName(*registry, &fault);
    noteFault();
    std::string value;
    if (registry->ReadString(kFramingSetting, value))
        framing = FramingFor(value);
}

std::string CommSettings::StoredConfig(CSettingsStore& store, std::string* fault)
{
    const CTextSetting config{kConfigSetting, &IsConfigText, "not " + ConfigForm(), &ConfigReading, kDefaultConfig};
    return ReadStoredText(store, config, fault).value_or(kDefaultConfig);
}

std::string CommSettings::StoredPortName(CSettingsStore& store, std::string* fault)
{
    const CTextSetting port{kPortSetting, &IsPortName, "not COMn with n from 1", &PortReading, kDefaultPortName};
    return ReadStoredText(store, port, fault).value_or(kDefaultPortName);
}

std::int32_t CommSettings::StoredTelegramType(CSettingsStore& store, std::string* fault)
{
    std::int32_t code = 0;
    if (store.ReadInt(kTelegramSetting, code))
        return code;
    std::string value;
    const bool readable = store.ReadString(kTelegramSetting, value);
    if ((readable || store.Contains(kTelegramSetting)) && fault)
    {
        const std::string byDefault = "type " + std::to_string(kDefaultTelegramType);
        *fault = StoredValueFault(kTelegramSetting, value, readable, "not a telegram type code", byDefault, byDefault);
    }
    return kDefaultTelegramType;
}

bool CommSettings::IsConfigText(const std::string& text)
{
    for (const auto& rate : kRates) {
        for (const char* frame : {"8,N,1", "7,O,2"}) {
            if (text == "Config(" + std::string(rate.text) + "," + frame + ")")
                return true;
        }
    }
    return false;
}

std::string CommSettings::ConfigForm()
{
    std::string rates;
    for (std::size_t i = 0; i < std::size(kRates); ++i)
        rates += std::string(i == 0 ? "" : i + 1 == std::size(kRates) ? " or " : ", ") + kRates[i].text;
    return "Config(BAUD,8,N,1) or Config(BAUD,7,O,2) with BAUD " + rates;
}

bool CommSettings::IsPortName(const std::string& name)
{
    const std::string digits = name.substr(std::min<std::size_t>(3, name.size()));
    return name.rfind("COM", 0) == 0 && !digits.empty() && digits.size() <= 9 && digits.front() != '0' &&
           digits.find_first_not_of("0123456789") == std::string::npos;
}

void CommSettings::SetFraming(CFraming how)
{
    framing = how;
    registry->WriteString(kFramingSetting, FramingText(framing));
}

const char* CommSettings::FramingText(CFraming how)
{
    return how == CFraming::ByContent ? "content" : "silence";
}

CFraming CommSettings::FramingFor(const std::string& text)
{
    return text == FramingText(CFraming::ByContent) ? CFraming::ByContent : CFraming::BySilence;
}

void CommSettings::SetPortName(const std::string& name)
{
    portName = name;
    registry->WriteString(kPortSetting, portName);
}

void CommSettings::SetConfig(const std::string& text)
{
    registry->WriteString(kConfigSetting, text);
    configString = text;
}

int CommSettings::PortNumberFor(const std::string& portName)
{
    const std::string rest = WithoutEveryCom(portName);
    if (rest.empty())
        return 1;
    // Leading blanks and a sign are taken, as a C library number reader does.
    const long value = std::strtol(rest.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

CSerialFrame CommSettings::FrameFor(const std::string& configString)
{
    CSerialFrame frame;
    for (const auto& rate : kRates) {
        if (configString.find(rate.text) != std::string::npos)
            frame.baudRate = rate.rate;
    }
    if (configString.find("8,N,1") != std::string::npos) {
        frame.dataBits = 8;
        frame.parity = CSerialPort::kParityNone;
        frame.stopBits = CSerialPort::kStopBitsOne;
    } else {
        frame.dataBits = 7;
        frame.parity = CSerialPort::kParityOdd;
        frame.stopBits = CSerialPort::kStopBitsTwo;
    }
    return frame;
}
