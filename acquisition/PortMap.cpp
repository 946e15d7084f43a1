#include "acquisition/PortMap.h"

#include <pwd.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string_view>

namespace {

using PortTable = std::map<int, std::string>;

std::mutex overrideMutex;
PortTable& Overrides()
{
    static PortTable overrides;
    return overrides;
}

std::string DefaultDevicePath(int portNumber)
{
    if (portNumber >= 1 && portNumber <= 32)
        return "/dev/ttyS" + std::to_string(portNumber - 1);
    if (portNumber >= 33 && portNumber <= 40)
        return "/dev/ttyUSB" + std::to_string(portNumber - 33);
    if (portNumber >= 41 && portNumber <= 48)
        return "/dev/ttyACM" + std::to_string(portNumber - 41);
    if (portNumber == CPortMap::kHighestDefaultPort)
        return "/dev/ttyAMA0";
    return {};
}

std::string_view Trim(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The text of an entry as it is kept, shown and opened: its control
// characters (C0, DEL and, written in UTF-8, C1), which would recolour or
// clear the terminal it is shown on, as '?'. The path opened is then the
// path every message and the settings dialog name, and one that held
// control characters opens nothing unless a file has the name shown.
std::string Printable(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {
            shown += '?';
            ++i;
        } else {
            shown += byte < 0x20 || byte == 0x7F ? '?' : text[i];
        }
    }
    return shown;
}

// "COMn=PATH" (blanks around either side allowed, "com" in any case) into
// the table; anything else is ignored.
void AddEntry(std::string_view entry, PortTable& table)
{
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos)
        return;
    const std::string_view name = Trim(entry.substr(0, equals));
    if (name.size() < 4)
        return;
    for (std::size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i])
            return;
    }
    int number = 0;
    const char* digits = name.data() + 3;
    const char* end = name.data() + name.size();
    const auto [stop, error] = std::from_chars(digits, end, number);
    if (error != std::errc() || stop != end || number <= 0)
        return;
    table[number] = Printable(Trim(entry.substr(equals + 1)));
}

std::string ConfigHome()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : nullptr;
    }
    return std::string(home != nullptr ? home : "") + "/.config";
}

void AddFileEntries(PortTable& table)
{
    std::ifstream file(CPortMap::UserFilePath());
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view entry = Trim(line);
        if (!entry.empty() && entry.front() != '#')
            AddEntry(entry, table);
    }
}

void AddEnvironmentEntries(PortTable& table)
{
    const char* variable = std::getenv("VANTREL_PORTS");
    if (variable == nullptr)
        return;
    std::string_view rest(variable);
    while (!rest.empty()) {
        const std::size_t separator = rest.find(';');
        AddEntry(rest.substr(0, separator), table);
        if (separator == std::string_view::npos)
            break;
        rest.remove_prefix(separator + 1);
    }
}

// Every mapping that differs from the defaults, later sources winning.
PortTable ConfiguredEntries()
{
    PortTable table;
    AddFileEntries(table);
    AddEnvironmentEntries(table);
    const std::lock_guard lock(overrideMutex);
    for (const auto& [number, path] : Overrides())
        table[number] = path;
    return table;
}

}  // namespace

std::string CPortMap::DevicePath(int portNumber)
{
    if (portNumber <= 0)
        return {};
    const PortTable configured = ConfiguredEntries();
    const auto entry = configured.find(portNumber);
    return entry != configured.end() ? entry->second : DefaultDevicePath(portNumber);
}

CLineAddress CPortMap::LineAddress(int portNumber)
{
    CLineAddress address = CLineAddress::Parse(DevicePath(portNumber));
    address.portNumber = portNumber;
    return address;
}

std::vector<int> CPortMap::MappedPorts()
{
    PortTable table;
    for (int number = 1; number <= kHighestDefaultPort; ++number)
        table[number] = DefaultDevicePath(number);
    for (const auto& [number, path] : ConfiguredEntries())
        table[number] = path;
    std::vector<int> numbers;
    for (const auto& [number, path] : table) {
        if (!path.empty())
            numbers.push_back(number);
    }
    return numbers;
}

void CPortMap::SetOverride(int portNumber, const std::string& path)
{
    if (portNumber <= 0)
        return;
    const std::lock_guard lock(overrideMutex);
    Overrides()[portNumber] = path;
}

void CPortMap::ClearOverride(int portNumber)
{
    const std::lock_guard lock(overrideMutex);
    Overrides().erase(portNumber);
}

std::string CPortMap::UserFilePath()
{
    return ConfigHome() + "/Quorvane International Ltd/Vantrel-ports.conf";
}

std::string CPortMap::StableName(const std::string& devicePath, const std::string& folder)
{
    struct stat device {};
    if (devicePath.empty() || ::stat(devicePath.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return {};
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().string();
        struct stat target {};
        if (::stat(name.c_str(), &target) == 0 && S_ISCHR(target.st_mode) && target.st_rdev == device.st_rdev)
            names.push_back(name);
    }
    // Several names for one device: the same one every time.
    std::sort(names.begin(), names.end());
    if (names.empty() || std::find(names.begin(), names.end(), devicePath) != names.end())
        return {};
    return names.front();
}
