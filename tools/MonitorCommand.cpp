#include "tools/MonitorCommand.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "acquisition/CommSettings.h"
#include "acquisition/MemorySettingsStore.h"
#include "acquisition/TelegramDecoder.h"
#include "decoders/FormatTable.h"
#include "settings/Registry.h"
#include "simulation/DemoLine.h"
#include "tools/OptionValues.h"
#include "tools/StopSignal.h"
#include "tools/TelegramPrinter.h"
#include "tools/TerminalReceiver.h"

namespace {

using namespace std::chrono_literals;

const char* const kUsageTemplate =
    "usage: vantrel-cli monitor [--port COMn] [--config TEXT] [--type CODE] [--timeout S]\n"
    "                           [--framing silence|content] [--csv PATH] [--count N] [--demo]\n"
    "                           [--brief | --json] [--stats]\n"
    "\n"
    "Listens on the line as the window does and prints the report of every\n"
    "telegram as plain text followed by an empty line (or, with --brief or\n"
    "--json, one line). A terminal that does not keep up (paused with Ctrl-S,\n"
    "a pipe nobody reads) never holds up reception or logging: reports it\n"
    "cannot take are left out of it, and a line says how many (with --json on\n"
    "standard error, so that every line of the output is JSON). Ctrl-C,\n"
    "SIGTERM or SIGHUP stops it within a second with complete logs; another\n"
    "Ctrl-C, half a second or more after the first, ends it at once (status\n"
    "130). Without options the stored settings apply (a stored value that\n"
    "cannot be used is told, and its default taken); options apply to this\n"
    "run only and are not stored.\n"
    "\n"
    "  --port COMn    the port to listen on (the port map names its device,\n"
    "                 or a network line: udp://ADDRESS:PORT, tcp://HOST:PORT)\n"
    "  --config TEXT  baud rate and frame as stored: Config(BAUD,8,N,1) or\n"
    "                 Config(BAUD,7,O,2), BAUD 2400, 4800, 9600, 19200, 38400,\n"
    "                 57600 or 115200\n"
    "  --type CODE    {types}\n"
    "  --timeout S    receive timeout in seconds (1 to 3600, default 2)\n"
    "  --framing HOW  'silence': a read ends after 60 ms of quiet (the default);\n"
    "                 'content': telegrams are cut by their own frames and each is\n"
    "                 handed on as soon as its last byte is in\n"
    "  --csv PATH     log from the start to PATH and the raw bytes beside it\n"
    "                 (.csv of the file name replaced by .raw); an existing\n"
    "                 log is appended to, never emptied\n"
    "  --count N      stop after N telegrams (shown or left out), once the\n"
    "                 terminal has taken their reports\n"
    "  --demo         listen to a simulated line sending telegrams of the type\n"
    "  --brief        one line per telegram instead of the report, cells separated\n"
    "                 by tabs: receive time (HH:MM:SS.mmm), telegram number, verdict,\n"
    "                 type, index ('-' without one) and, when the telegram carries\n"
    "                 a position, its frame and x, y, z in metres (z down)\n"
    "  --json         one JSON object per telegram per line (JSON Lines) instead of\n"
    "                 the report, with the keys time, format, telegram, number,\n"
    "                 bytes, status, verdict, index, fields, position, checks, raw\n"
    "  --stats        end the run (also at Ctrl-C) with the statistics of every\n"
    "                 telegram received, after the reports or brief lines, as\n"
    "                 tab-separated lines: a header, a line per index, one for\n"
    "                 reads without an index ('none') and the total; not with\n"
    "                 --json, whose lines must all be JSON\n"
    "\n"
    "Exit status: 0 stopped; 1 a log could not be created, written or closed\n"
    "(a log that fails ends the run at once), or the reports could not be\n"
    "written; 2 bad usage, a log path that is there and no regular file, a\n"
    "type without a decoder, or --demo could not start.\n";

const char* Usage()
{
    static const std::string text = WithTypeCodes(kUsageTemplate);
    return text.c_str();
}

struct MonitorOptions {
    std::optional<std::string> portName;
    std::optional<std::string> configString;
    std::optional<int> typeCode;
    std::optional<int> timeout;
    std::optional<CFraming> framing;
    std::string csvPath;
    std::uint64_t count = 0;
    bool demo = false;
    TelegramPrintStyle style = TelegramPrintStyle::Report;
    bool statistics = false;

    bool ChangesSettings() const { return portName || configString || typeCode || timeout || framing || demo; }
};

// 0 when understood, -1 after --help, else the exit status.
int ParseArguments(int argc, char** argv, MonitorOptions& options)
{
    COptionReader reader{"monitor", Usage(), nullptr, nullptr, nullptr};
    reader.isFlag = [](const std::string& option) {
        return option == "--demo" || option == "--brief" || option == "--json" || option == "--stats";
    };
    bool brief = false;
    bool json = false;
    reader.onFlag = [&](const std::string& flag) {
        options.demo |= flag == "--demo";
        brief |= flag == "--brief";
        json |= flag == "--json";
        options.statistics |= flag == "--stats";
    };
    reader.onValue = [&options, &reader](const std::string& option, const std::string& value) {
        if (option == "--port") {
            options.portName = value;
        } else if (option == "--config") {
            return TakeConfigText(reader, value, options.configString);
        } else if (option == "--type") {
            const auto code = ParseWholeNumber(value, INT32_MIN, INT32_MAX);
            if (!code)
                return reader.UsageError("bad type code " + value);
            options.typeCode = static_cast<int>(*code);
        } else if (option == "--timeout") {
            const auto seconds = ParseWholeNumber(value, 1, 3600);
            if (!seconds)
                return reader.UsageError("bad timeout " + value + " (whole seconds, 1 to 3600)");
            options.timeout = static_cast<int>(*seconds);
        } else if (option == "--framing") {
            if (value != "silence" && value != "content")
                return reader.UsageError("bad framing " + value + " (silence or content)");
            options.framing = CommSettings::FramingFor(value);
        } else if (option == "--csv") {
            options.csvPath = value;
        } else if (option == "--count") {
            const auto count = ParseWholeNumber(value, 1, INT64_MAX);
            if (!count)
                return reader.UsageError("bad count " + value);
            options.count = static_cast<std::uint64_t>(*count);
        } else {
            return reader.UsageError("unknown argument " + option);
        }
        return 0;
    };
    if (const int status = reader.Read(argc, argv))
        return status;
    if (brief && json)
        return reader.UsageError("--brief and --json exclude each other");
    if (json && options.statistics)
        return reader.UsageError("--stats cannot follow --json: its lines are not JSON");
    options.style = json ? TelegramPrintStyle::Json : brief ? TelegramPrintStyle::Brief : TelegramPrintStyle::Report;
    return 0;
}

// The options of this run, over what the user has stored.
void ApplyOptions(const MonitorOptions& options, const CDemoLine* demo, CSettingsStore& store)
{
    if (options.typeCode)
        store.WriteInt(kTelegramSetting, *options.typeCode);
    if (options.configString)
        store.WriteString(kConfigSetting, *options.configString);
    if (options.framing)
        store.WriteString(kFramingSetting, CommSettings::FramingText(*options.framing));
    if (demo)
        store.WriteString(kPortSetting, demo->PortName());
    else if (options.portName)
        store.WriteString(kPortSetting, *options.portName);
}

// Whether the CSV log or the raw log beside it is there already.
bool LogExists(const std::string& csvPath)
{
    std::error_code ignored;
    return std::filesystem::exists(csvPath, ignored) ||
           std::filesystem::exists(CFormatDecoder::RawPathFor(csvPath), ignored);
}

bool ReportLogFailure(const CLogFileState& file)
{
    if (file.opened || file.error.empty())
        return false;
    std::fprintf(stderr, "vantrel-cli monitor: cannot %s log %s: %s\n", file.notRegularFile ? "use" : "create",
                 file.path.c_str(), file.error.c_str());
    return true;
}

// False, having said so, when the type of this run has no decoder: every
// read would only be shown as timed out.
bool TypeHasDecoder(const MonitorOptions& options, CSettingsStore& userStore)
{
    const int code = options.typeCode.value_or(CommSettings::StoredTelegramType(userStore));
    if (CFormatTable::Find(code))
        return true;
    if (options.typeCode)
        std::fprintf(stderr, "vantrel-cli monitor: telegram type %d has no decoder\n", code);
    else
        std::fprintf(stderr, "vantrel-cli monitor: the stored telegram type %d has no decoder; choose one with --type\n",
                     code);
    return false;
}

int Monitor(const MonitorOptions& options, CSettingsStore& userStore, CStopSignal& stop,
            CTerminalReceiver& receiver)
{
    if (!TypeHasDecoder(options, userStore))
        return 2;
    std::unique_ptr<CDemoLine> demo;
    if (options.demo) {
        try {
            demo = std::make_unique<CDemoLine>(options.typeCode.value_or(CommSettings::StoredTelegramType(userStore)));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "vantrel-cli monitor: cannot start the simulated line: %s\n", error.what());
            return 2;
        }
    }
    CMemorySettingsStore runStore(&userStore);
    CSettingsStore& store = options.ChangesSettings() ? static_cast<CSettingsStore&>(runStore) : userStore;
    ApplyOptions(options, demo.get(), store);
    const int typeCode = CommSettings::StoredTelegramType(store);
    receiver.PrintWith(MakeTelegramPrinter(options.style, CFormatTable::TypeName(typeCode)));

    auto controller = std::make_unique<CTelegramDecoder>(&receiver, &store);
    if (options.timeout) {
        const CommSettings current(&store);
        controller->SetCommSettings(current.GetPortName(), current.GetConfig(), *options.timeout);
    }
    if (!options.csvPath.empty()) {
        // A live capture never destroys an earlier one: a restarted monitor
        // goes on with its own log, the format's header rows before its first new row.
        const bool appending = LogExists(options.csvPath);
        const CLogOpenResult logs = controller->SetLogging(
            true, options.csvPath, appending ? CFormatDecoder::LogMode::Continue : CFormatDecoder::LogMode::Restart);
        if (!logs.Ok()) {
            const bool csvFailed = ReportLogFailure(logs.csv);
            if (!csvFailed || logs.raw.error != logs.csv.error)
                ReportLogFailure(logs.raw);
            // A path that is no regular file cannot be a log at all: bad usage.
            return logs.csv.notRegularFile || logs.raw.notRegularFile ? 2 : 1;
        }
        if (appending)
            std::fprintf(stderr, "vantrel-cli monitor: appending to the existing log %s\n", options.csvPath.c_str());
    }
    // What happens to the line reaches the terminal through the receiver.
    while (!stop.Wait(1s)) {
    }
    // The reader's last pass and the closing of the logs can fail too: what
    // they tell counts for the exit status.
    controller.reset();
    return receiver.HadLogWriteError() ? 1 : 0;
}

} // namespace

int RunMonitorCommand(int argc, char** argv)
{
    MonitorOptions options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;

    // Signals are held back before any thread starts, so only the main thread takes them.
    CStopSignal stop;
    // A reader of the output that goes away is an error of the report writer
    // (the monitor then stops), never a SIGPIPE ending it halfway.
    std::signal(SIGPIPE, SIG_IGN);
    CTerminalReceiver terminal(STDOUT_FILENO, STDERR_FILENO, options.count, stop);
    if (options.statistics)
        terminal.KeepStatistics();
    int status = 0;
    {
        CRegistry registry;
        registry.Create();
        status = Monitor(options, registry, stop, terminal);
    }
    return terminal.Finish(status);
}
