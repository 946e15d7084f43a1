#pragma once
#include <cstdint>
#include <string>

// Where the controller and its communication settings keep "Telegram",
// "Port", "Config" and "Framing". The window and the command-line tool use the
// per-user store (CRegistry); a run with options of its own uses a store
// that keeps them in memory only.
// The names of the values, written here once.
inline constexpr const char* kTelegramSetting = "Telegram";  // the telegram type code
inline constexpr const char* kPortSetting = "Port";          // "COMn"
inline constexpr const char* kConfigSetting = "Config";      // "Config(9600,8,N,1)"
// How reads are cut from the line: "content", else by silence (a store
// written before the setting existed has none).
inline constexpr const char* kFramingSetting = "Framing";

class CSettingsStore {
public:
    virtual ~CSettingsStore() = default;

    virtual bool ReadInt(const std::string& name, std::int32_t& value) = 0;
    virtual bool WriteInt(const std::string& name, std::int32_t value) = 0;
    virtual bool ReadString(const std::string& name, std::string& value) = 0;
    virtual bool WriteString(const std::string& name, const std::string& value) = 0;
    // Whether a value of that name is stored, readable or not.
    virtual bool Contains(const std::string& name) = 0;
};
