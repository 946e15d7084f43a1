#include "tools/DecodeCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/DiskSync.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "tools/OptionValues.h"
#include "tools/TelegramPrinter.h"
#include "tools/TelegramText.h"

namespace {

constexpr std::size_t kLongestTelegram = 256;

const char* const kUsageTemplate =
    "usage: vantrel-cli decode --type CODE [--rtf | --json] [--index] [--csv PATH] FILE...\n"
    "\n"
    "Decodes telegrams held in files, one telegram per FILE (0 to 256 bytes;\n"
    "'-' reads standard input), with one decoder of type CODE, in the order given.\n"
    "Each telegram is counted, written to the raw log and decoded with the\n"
    "current time as its receive time.\n"
    "\n"
    "  --type CODE  {types}\n"
    "  --rtf        print each report as its rich-text document and a line end\n"
    "               (default: the report as plain text and an empty line)\n"
    "  --json       print each telegram as one JSON object on one line (JSON\n"
    "               Lines) with the keys time (when decoded), format, telegram,\n"
    "               number, bytes, status, verdict, index, fields, position,\n"
    "               checks, raw\n"
    "  --index      after each report, print: index TAB valid TAB kind TAB text\n"
    "               TAB index-text (not with --json, whose lines hold the index)\n"
    "  --csv PATH   log to PATH (CSV header rows and one row per telegram) and\n"
    "               the raw bytes beside it (every .csv of the file name\n"
    "               replaced by .raw; a name without .csv gets .raw appended)\n"
    "\n"
    "Exit status: 0 done; 1 a file, a log or the reports could not be read or\n"
    "written; 2 bad usage or a type code without a decoder.\n";

const char* Usage()
{
    static const std::string text = WithTypeCodes(kUsageTemplate);
    return text.c_str();
}

struct DecodeOptions {
    std::optional<int> typeCode;
    bool rtf = false;
    bool json = false;
    bool index = false;
    std::optional<std::string> csvPath;
    std::vector<std::string> files;
};

int UsageError(const char* message)
{
    std::fprintf(stderr, "vantrel-cli decode: %s\n", message);
    std::fputs(Usage(), stderr);
    return 2;
}

std::optional<int> ParseTypeCode(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

// Returns 0 when the arguments were understood, else the exit status.
int ParseArguments(int argc, char** argv, DecodeOptions& options, bool& helpShown)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage(), stdout);
            helpShown = true;
            return 0;
        } else if (arg == "--rtf") {
            options.rtf = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--index") {
            options.index = true;
        } else if (arg == "--type") {
            if (!hasValue || !(options.typeCode = ParseTypeCode(argv[++i])))
                return UsageError("--type needs a whole number");
        } else if (arg == "--csv") {
            if (!hasValue || argv[i + 1][0] == '\0')
                return UsageError("--csv needs a path");
            options.csvPath = argv[++i];
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                options.files.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(("unknown option " + arg).c_str());
        } else {
            options.files.push_back(arg);
        }
    }
    if (!options.typeCode)
        return UsageError("--type CODE is required");
    if (options.files.empty())
        return UsageError("no telegram files given");
    if (options.json && (options.rtf || options.index))
        return UsageError("--json excludes --rtf and --index");
    return 0;
}

// Reads one telegram file. At most one byte more than the longest telegram
// is read, so an endless source such as a device is refused, not swallowed;
// a file that cannot be read (a directory, say) is refused with the reason.
bool ReadTelegramFile(const std::string& name, std::string& bytes)
{
    const bool fromStdin = name == "-";
    std::FILE* in = fromStdin ? stdin : std::fopen(name.c_str(), "rb");
    if (!in) {
        std::fprintf(stderr, "vantrel-cli decode: cannot read %s: %s\n", name.c_str(), std::strerror(errno));
        return false;
    }
    char buffer[kLongestTelegram + 1];
    const std::size_t length = std::fread(buffer, 1, sizeof buffer, in);
    const bool failed = std::ferror(in) != 0;
    const int readError = errno;
    if (fromStdin)
        std::clearerr(in);
    else
        std::fclose(in);
    if (failed) {
        std::fprintf(stderr, "vantrel-cli decode: cannot read %s: %s\n", name.c_str(), std::strerror(readError));
        return false;
    }
    if (length > kLongestTelegram) {
        std::fprintf(stderr, "vantrel-cli decode: %s holds more than %zu bytes, the longest telegram\n",
                     name.c_str(), kLongestTelegram);
        return false;
    }
    bytes.assign(buffer, length);
    return true;
}

void PrintTelegram(const CDecodedTelegram& telegram, const DecodeOptions& options, const CTelegramPrinter& printer)
{
    if (options.rtf) {
        std::fwrite(telegram.report.data(), 1, telegram.report.size(), stdout);
        std::fputc('\n', stdout);
    } else {
        const std::string text = printer.Text(telegram);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    if (options.index) {
        const CTelegramIndex& index = telegram.index;
        // Received texts cleaned as in the reports: no tab, line end or escape sequence of theirs.
        std::printf("index\t%d\t%d\t%s\t%s\n", index.valid ? 1 : 0, index.kind, TerminalCell(index.text).c_str(),
                    TerminalCell(index.IndexText()).c_str());
    }
}

void DecodeOne(CFormatDecoder& decoder, const std::string& raw, const DecodeOptions& options,
               const CTelegramPrinter& printer)
{
    PrintTelegram(*DecodeRead(&decoder, raw, CTickwarden::GetPCMilliSecs()), options, printer);
}

} // namespace

int RunDecodeCommand(int argc, char** argv)
{
    DecodeOptions options;
    bool helpShown = false;
    if (const int status = ParseArguments(argc, argv, options, helpShown); status != 0 || helpShown)
        return status;

    std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(*options.typeCode);
    if (!decoder) {
        std::fprintf(stderr, "vantrel-cli decode: telegram type %d has no decoder\n", *options.typeCode);
        return 2;
    }

    std::vector<std::string> telegrams(options.files.size());
    for (std::size_t i = 0; i < options.files.size(); ++i)
        if (!ReadTelegramFile(options.files[i], telegrams[i]))
            return 1;

    if (options.csvPath) {
        decoder->SetDiskSyncer(&DataSyncerFor);
        const CLogOpenResult logs = decoder->OpenLogs(*options.csvPath);
        for (const CLogFileState* log : {&logs.csv, &logs.raw}) {
            if (!log->opened) {
                std::fprintf(stderr, "vantrel-cli decode: cannot create log %s: %s\n", log->path.c_str(),
                             log->error.c_str());
                return 1;
            }
        }
    }

    const auto printer = MakeTelegramPrinter(options.json ? TelegramPrintStyle::Json : TelegramPrintStyle::Report,
                                             CFormatTable::TypeName(*options.typeCode));
    for (const std::string& raw : telegrams)
        DecodeOne(*decoder, raw, options, *printer);
    // Reports that never reached their reader (a full disk, a closed pipe) are a failure too.
    errno = 0;
    const bool printed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int printError = errno;

    decoder->CloseLogs();
    int status = 0;
    if (!printed) {
        std::fprintf(stderr, "vantrel-cli decode: writing the reports failed: %s\n",
                     printError ? std::strerror(printError) : "write error");
        status = 1;
    }
    if (decoder->HasLogWriteError()) {
        std::fprintf(stderr, "vantrel-cli decode: writing the logs failed: %s\n",
                     decoder->GetLogWriteError().c_str());
        status = 1;
    }
    return status;
}
