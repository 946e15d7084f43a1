#include "tools/OptionValues.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "acquisition/CommSettings.h"
#include "decoders/FormatTable.h"

std::optional<std::int64_t> ParseWholeNumber(const std::string& text, std::int64_t lowest, std::int64_t highest)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(const std::string& text, double lowest, double highest)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(value) || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

int COptionReader::Read(int argc, char** argv) const
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return -1;
        }
        if (isFlag(arg)) {
            onFlag(arg);
            continue;
        }
        if (arg.rfind("--", 0) != 0)
            return UsageError("unknown argument " + arg);
        if (i + 1 >= argc)
            return UsageError("missing value for " + arg);
        if (const int status = onValue(arg, argv[++i]))
            return status;
    }
    return 0;
}

int COptionReader::UsageError(const std::string& message) const
{
    std::fprintf(stderr, "vantrel-cli %s: %s\n", command, message.c_str());
    std::fputs(usage, stderr);
    return 2;
}

int TakeConfigText(const COptionReader& reader, const std::string& value, std::optional<std::string>& configString)
{
    if (!CommSettings::IsConfigText(value))
        return reader.UsageError("bad configuration " + value + " (" + CommSettings::ConfigForm() + ")");
    configString = value;
    return 0;
}

std::string WithTypeCodes(const char* usageTemplate)
{
    constexpr std::size_t kWidth = 78;
    std::string text = usageTemplate;
    const std::size_t at = text.find("{types}");
    if (at == std::string::npos)
        return text;
    const std::size_t lineStart = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    const std::size_t indent = at - lineStart;
    const std::string list = CFormatTable::CodeList();  // "0 HPR 309, 1 HPR 418D, ..."
    std::string wrapped;
    std::size_t column = indent;
    for (std::size_t start = 0; start < list.size();) {
        const std::size_t comma = list.find(", ", start);
        const std::size_t end = comma == std::string::npos ? list.size() : comma + 1;
        const std::string item = list.substr(start, end - start);
        if (column > indent && column + 1 + item.size() > kWidth) {
            wrapped += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            wrapped += ' ';
            ++column;
        }
        wrapped += item;
        column += item.size();
        start = comma == std::string::npos ? list.size() : comma + 2;
    }
    return text.replace(at, 7, wrapped);
}
