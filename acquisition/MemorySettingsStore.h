#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "acquisition/SettingsStore.h"

// A settings store that keeps its values in memory only, for a run whose
// options must not change what the user has stored. It can start from the
// values of another store ("Telegram", "Port", "Config" and "Framing"),
// those that cannot be read there included: they stay as unreadable here.
class CMemorySettingsStore : public CSettingsStore {
public:
    explicit CMemorySettingsStore(CSettingsStore* seed = nullptr);

    bool ReadInt(const std::string& name, std::int32_t& value) override;
    bool WriteInt(const std::string& name, std::int32_t value) override;
    bool ReadString(const std::string& name, std::string& value) override;
    bool WriteString(const std::string& name, const std::string& value) override;
    bool Contains(const std::string& name) override;

private:
    std::map<std::string, std::int32_t> ints;
    std::map<std::string, std::string> strings;
    std::set<std::string> unreadable;  // stored in the seed, but neither as a number nor as a text
};
