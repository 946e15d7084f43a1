#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/SettingsStore.h"

class QSettings;

// The per-user settings store: one key, "Software\<company>\<product>",
// kept in the desktop's per-user settings file
// ($XDG_CONFIG_HOME/<company>/<product>.conf). Every successful write is on
// disk when the call returns, so a value survives a crash right after it
// was set. While no key is open every read fails and every write is lost.
//
// Used from one thread at a time (the user-interface thread).
class CRegistry : public CSettingsStore {
public:
    static constexpr const char* kKeyPath = "Software\\Quorvane International Ltd\\Vantrel";
    static constexpr std::size_t kMaxStringLength = 255;

    CRegistry();
    ~CRegistry() override;
    CRegistry(const CRegistry&) = delete;
    CRegistry& operator=(const CRegistry&) = delete;

    // Creates the key if it does not exist yet and opens it. On failure no
    // key is open.
    bool Create(const std::string& path = kKeyPath);
    // Opens an existing key. On failure no key is open.
    bool Open(const std::string& path = kKeyPath);
    void Close();
    bool IsOpen() const;

    // A value that is missing, or is not a whole number that fits 32 bits,
    // fails and gives 0. A number above the largest signed value is taken
    // as its 32-bit pattern (4294967295 reads as -1).
    bool ReadInt(const std::string& name, std::int32_t& value) override;
    bool WriteInt(const std::string& name, std::int32_t value) override;
    // A value that is missing or longer than kMaxStringLength bytes fails
    // and empties the output. An empty value is read successfully.
    bool ReadString(const std::string& name, std::string& value) override;
    bool WriteString(const std::string& name, const std::string& value) override;
    // True for any value stored under the name, also one that fails to read.
    bool Contains(const std::string& name) override;

private:
    bool OpenKey(const std::string& path, bool createIfMissing);
    bool Persist();
    void RecoverFromFailedFlush();

    std::unique_ptr<QSettings> key;
    std::string organization;
    std::string application;
};
