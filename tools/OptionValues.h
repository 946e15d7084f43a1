#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Option values of the command-line tool: the whole text must be the
// number, or the value is refused.
std::optional<std::int64_t> ParseWholeNumber(const std::string& text, std::int64_t lowest, std::int64_t highest);
std::optional<double> ParseDecimal(const std::string& text, double lowest, double highest);

// A command's usage text with "{types}" replaced by the type codes and
// their format names, wrapped to 78 columns and indented to where
// "{types}" stands.
std::string WithTypeCodes(const char* usageTemplate);

// The arguments of one command ("monitor"): options without a value are
// flags; every other option takes the next argument as its value.
struct COptionReader {
    const char* command;
    const char* usage;
    std::function<bool(const std::string& option)> isFlag;
    std::function<void(const std::string& flag)> onFlag;
    // 0 when taken, else the exit status (after UsageError).
    std::function<int(const std::string& option, const std::string& value)> onValue;

    // 0 when every argument was taken, -1 after --help (the usage went to
    // standard output), else the exit status.
    int Read(int argc, char** argv) const;
    // The message and the usage on standard error; the exit status 2.
    int UsageError(const std::string& message) const;
};

// The value of --config: a configuration text as the settings store it.
// 0 when taken into configString, else the status of the usage error that
// names the accepted form.
int TakeConfigText(const COptionReader& reader, const std::string& value, std::optional<std::string>& configString);
