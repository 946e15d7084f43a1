#include "acquisition/CommSettings.h"

#include <cctype>
#include <climits>
#include <cstdlib>

#include "acquisition/SerialPort.h"
#include "acquisition/SettingsStore.h"

namespace {

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
    std::string value;
    if (registry->ReadString(kConfigSetting, value))
        configString = value;
    if (registry->ReadString(kPortSetting, value))
        portName = value;
    if (registry->ReadString(kFramingSetting, value))
        framing = FramingFor(value);
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
    static const struct {
        const char* text;
        unsigned rate;
    } kRates[] = {{"2400", 2400},   {"4800", 4800},   {"9600", 9600},    {"19200", 19200},
                  {"38400", 38400}, {"57600", 57600}, {"115200", 115200}};
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
