#include "acquisition/MemorySettingsStore.h"

CMemorySettingsStore::CMemorySettingsStore(CSettingsStore* seed)
{
    if (!seed)
        return;
    std::int32_t type = 0;
    if (seed->ReadInt(kTelegramSetting, type))
        ints[kTelegramSetting] = type;
    for (const char* name : {kTelegramSetting, kPortSetting, kConfigSetting, kFramingSetting}) {
        std::string text;
        if (ints.count(name) != 0)
            continue;
        if (seed->ReadString(name, text))
            strings[name] = text;
        else if (seed->Contains(name))
            unreadable.insert(name);
    }
}

bool CMemorySettingsStore::Contains(const std::string& name)
{
    return ints.count(name) != 0 || strings.count(name) != 0 || unreadable.count(name) != 0;
}

bool CMemorySettingsStore::ReadInt(const std::string& name, std::int32_t& value)
{
    value = 0;
    const auto found = ints.find(name);
    if (found == ints.end())
        return false;
    value = found->second;
    return true;
}

bool CMemorySettingsStore::WriteInt(const std::string& name, std::int32_t value)
{
    ints[name] = value;
    return true;
}

bool CMemorySettingsStore::ReadString(const std::string& name, std::string& value)
{
    value.clear();
    const auto found = strings.find(name);
    if (found == strings.end())
        return false;
    value = found->second;
    return true;
}

bool CMemorySettingsStore::WriteString(const std::string& name, const std::string& value)
{
    strings[name] = value;
    return true;
}
