#include "tools/ReplayCommand.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "decoders/FormatTable.h"
#include "replay/LogSource.h"
#include "replay/Replayer.h"
#include "replay/SessionIndex.h"
#include "tools/OptionValues.h"
#include "tools/StopSignal.h"
#include "tools/TelegramPrinter.h"
#include "tools/TerminalReceiver.h"

namespace {

using namespace std::chrono_literals;

const char* const kUsageTemplate =
    "usage: vantrel-cli replay FILE... [--type CODE] [--speed X | --as-fast]\n"
    "                          [--from HH:MM:SS] [--to HH:MM:SS] [--rate HZ]\n"
    "                          [--brief | --json] [--stats] [--csv PATH]\n"
    "\n"
    "Plays recorded sessions again, one FILE after the other as one session,\n"
    "and shows every telegram as the monitor does, at its recorded time:\n"
    "a JSON Lines capture written by 'monitor --json', a raw log with the CSV\n"
    "log beside it (the reads recut from the raw bytes by the format, timed\n"
    "by the rows; the date is the day the CSV log was last written), or a raw\n"
    "log alone (played at a steady pace). What is wrong with a file (a line\n"
    "that is not JSON or is cut off, a time that goes back, another format,\n"
    "a missing CSV log, an empty file) is told on standard error with the\n"
    "file and line, and the rest plays. Ctrl-C stops it.\n"
    "\n"
    "  --type CODE    {types}\n"
    "                 (by default the format the first file names)\n"
    "  --speed X      play X times as fast as recorded (default 1)\n"
    "  --as-fast      play as fast as possible, without waiting\n"
    "  --from HH:MM:SS  begin at this recorded time of day (the first such\n"
    "                 time at or after the session's start)\n"
    "  --to HH:MM:SS  end before this recorded time of day (the first such time\n"
    "                 after the beginning); when nothing was recorded between\n"
    "                 the two, the first and last recorded times are told\n"
    "  --rate HZ      reads a second of a raw log without its CSV log (default 1)\n"
    "  --brief        one tab-separated line per telegram, as the monitor's\n"
    "  --json         one JSON object per telegram per line, as the monitor's:\n"
    "                 a replayed capture gives the capture again\n"
    "  --stats        end with the statistics of the telegrams played, as the\n"
    "                 monitor's (the last age at the last recorded time)\n"
    "  --csv PATH     log the replayed telegrams to PATH and the raw bytes beside\n"
    "                 it, with their recorded times; an existing log is appended to\n"
    "\n"
    "Exit status: 0 played; 1 nothing could be played, or a log could not be\n"
    "created or written; 2 bad usage, no format known, or a log that would be\n"
    "written into the recording.\n";

const char* Usage()
{
    static const std::string text = WithTypeCodes(kUsageTemplate);
    return text.c_str();
}

struct ReplayOptions {
    std::vector<std::string> files;
    std::optional<int> typeCode;
    double speed = 1.0;
    std::optional<int> fromSeconds;
    std::optional<int> toSeconds;
    double rate = 1.0;
    TelegramPrintStyle style = TelegramPrintStyle::Report;
    bool statistics = false;
    std::string csvPath;
};

// "HH:MM:SS" as seconds of the day.
std::optional<int> SecondsOfDay(const std::string& text)
{
    if (text.size() != 8 || text[2] != ':' || text[5] != ':')
        return std::nullopt;
    const auto hours = ParseWholeNumber(text.substr(0, 2), 0, 23);
    const auto minutes = ParseWholeNumber(text.substr(3, 2), 0, 59);
    const auto seconds = ParseWholeNumber(text.substr(6, 2), 0, 59);
    if (!hours || !minutes || !seconds)
        return std::nullopt;
    return static_cast<int>((*hours * 60 + *minutes) * 60 + *seconds);
}

// 0 when understood, -1 after --help, else the exit status.
int ParseArguments(int argc, char** argv, ReplayOptions& options)
{
    COptionReader reader{"replay", Usage(), nullptr, nullptr, nullptr};
    reader.isFlag = [](const std::string& option) {
        return option.rfind("--", 0) != 0 || option == "--as-fast" || option == "--brief" || option == "--json" ||
               option == "--stats";
    };
    bool brief = false;
    bool json = false;
    bool asFast = false;
    bool speedGiven = false;
    reader.onFlag = [&](const std::string& flag) {
        if (flag.rfind("--", 0) != 0) {
            options.files.push_back(flag);
            return;
        }
        asFast |= flag == "--as-fast";
        brief |= flag == "--brief";
        json |= flag == "--json";
        options.statistics |= flag == "--stats";
    };
    reader.onValue = [&](const std::string& option, const std::string& value) {
        if (option == "--type") {
            const auto code = ParseWholeNumber(value, INT32_MIN, INT32_MAX);
            if (!code)
                return reader.UsageError("bad type code " + value);
            options.typeCode = static_cast<int>(*code);
        } else if (option == "--speed") {
            const auto speed = ParseDecimal(value, 1e-3, 1e6);
            if (!speed)
                return reader.UsageError("bad speed " + value + " (0.001 to 1000000)");
            options.speed = *speed;
            speedGiven = true;
        } else if (option == "--from" || option == "--to") {
            const auto seconds = SecondsOfDay(value);
            if (!seconds)
                return reader.UsageError("bad time " + value + " (HH:MM:SS)");
            (option == "--from" ? options.fromSeconds : options.toSeconds) = seconds;
        } else if (option == "--rate") {
            const auto rate = ParseDecimal(value, 1e-3, 1e4);
            if (!rate)
                return reader.UsageError("bad rate " + value + " (0.001 to 10000 a second)");
            options.rate = *rate;
        } else if (option == "--csv") {
            options.csvPath = value;
        } else {
            return reader.UsageError("unknown argument " + option);
        }
        return 0;
    };
    if (const int status = reader.Read(argc, argv))
        return status;
    if (options.files.empty())
        return reader.UsageError("no recording given");
    if (brief && json)
        return reader.UsageError("--brief and --json exclude each other");
    if (json && options.statistics)
        return reader.UsageError("--stats cannot follow --json: its lines are not JSON");
    if (asFast && speedGiven)
        return reader.UsageError("--speed and --as-fast exclude each other");
    if (asFast)
        options.speed = 0.0;
    options.style = json ? TelegramPrintStyle::Json : brief ? TelegramPrintStyle::Brief : TelegramPrintStyle::Report;
    return 0;
}

// The first moment at or after `after` whose recorded time of day is seconds.
std::int64_t NextTimeOfDay(const CWallTime& after, int seconds)
{
    constexpr std::int64_t kMsPerDay = 86'400'000;
    std::int64_t ahead = seconds * std::int64_t{1000} - static_cast<std::int64_t>(after.SecondsOfDay() * 1000.0);
    if (ahead < 0)
        ahead += kMsPerDay;
    return after.utcMilliseconds + ahead;
}

// "2026-12-10 08:15:02": the recorded date and time of day.
std::string DateAndTime(const CWallTime& time)
{
    std::string text = time.IsoText().substr(0, 19);
    text[10] = ' ';
    return text;
}

// Nothing was played between from and to: what the recording holds instead.
void TellWhatIsRecorded(CTerminalReceiver& terminal, const ReplayOptions& options,
                        const CReplaySession::COptions& sessionOptions, std::optional<std::int64_t> from,
                        std::optional<std::int64_t> to)
{
    CReplaySession whole(options.files, sessionOptions);
    const std::optional<CSessionIndex> index = CSessionIndex::Build(whole, [](const CReplayMessage&) {});
    if (!index || index->Empty())
        return;  // nothing could be read at all, as was told
    const int offset = index->First().utcOffsetMinutes;
    const auto at = [offset](std::int64_t utcMs) { return DateAndTime(CWallTime{utcMs, offset}); };
    const std::string asked = from && to ? "from " + at(*from) + " to " + at(*to)
                              : from     ? "from " + at(*from) + " on"
                                         : "before " + at(*to);
    terminal.Tell("vantrel-cli replay: nothing was recorded " + asked + "; the recording holds " +
                  DateAndTime(index->First()) + " to " + DateAndTime(index->Last()) + "\n");
}

// Tells the terminal what the player tells, and wakes the main thread at the end.
class CReplayTerminal : public CReplayListener {
public:
    CReplayTerminal(CTerminalReceiver& terminalReceiver, CStopSignal& stopSignal)
        : terminal(terminalReceiver), stop(stopSignal)
    {
    }
    void OnReplayMessage(const CReplayMessage& message) override
    {
        terminal.Tell("vantrel-cli replay: " + message.Text() + "\n");
    }
    void OnReplayEnded() override { stop.Wake(); }

private:
    CTerminalReceiver& terminal;
    CStopSignal& stop;
};

// Whether the log would be written into one of the files played (or the
// log beside one), which it would spoil.
bool LogIsARecording(const std::string& csvPath, const std::vector<std::string>& files)
{
    std::vector<std::string> recorded;
    for (const std::string& file : files) {
        recorded.push_back(file);
        recorded.push_back(CLogFiles::RawPathFor(file));
        recorded.push_back(CLogSource::CsvPathFor(file));
    }
    for (const std::string& written : {csvPath, CLogFiles::RawPathFor(csvPath)}) {
        for (const std::string& file : recorded) {
            std::error_code ignored;
            if (!file.empty() && std::filesystem::equivalent(written, file, ignored)) {
                std::fprintf(stderr, "vantrel-cli replay: the log %s would be written into the recording %s\n",
                             csvPath.c_str(), file.c_str());
                return true;
            }
        }
    }
    return false;
}

bool OpenLog(CReplayer& player, const std::string& csvPath)
{
    std::error_code ignored;
    const bool appending = std::filesystem::exists(csvPath, ignored) ||
                           std::filesystem::exists(CLogFiles::RawPathFor(csvPath), ignored);
    const CLogOpenResult logs = player.LogTo(csvPath, appending ? CLogFiles::Mode::Continue : CLogFiles::Mode::Restart);
    for (const CLogFileState* file : {&logs.csv, &logs.raw}) {
        if (!file->opened) {
            std::fprintf(stderr, "vantrel-cli replay: cannot create log %s: %s\n", file->path.c_str(),
                         file->error.c_str());
            return false;
        }
    }
    if (appending)
        std::fprintf(stderr, "vantrel-cli replay: appending to the existing log %s\n", csvPath.c_str());
    return true;
}

int Replay(const ReplayOptions& options, CStopSignal& stop, CTerminalReceiver& terminal, double& lastClock)
{
    CReplaySession::COptions sessionOptions;
    sessionOptions.typeCode = options.typeCode;
    sessionOptions.rawRate = options.rate;
    CReplaySession session(options.files, sessionOptions);
    const auto tellNow = [](const CReplayMessage& message) {
        std::fprintf(stderr, "vantrel-cli replay: %s\n", message.Text().c_str());
    };
    const std::optional<int> typeCode = session.TypeCode(tellNow);
    if (!typeCode)
        return 2;
    if (!CFormatTable::Find(*typeCode)) {
        std::fprintf(stderr, "vantrel-cli replay: telegram type %d has no decoder\n", *typeCode);
        return 2;
    }
    if (!options.csvPath.empty() && LogIsARecording(options.csvPath, options.files))
        return 2;
    sessionOptions = session.Options();  // with the format found
    terminal.PrintWith(MakeTelegramPrinter(options.style, CFormatTable::TypeName(*typeCode)));

    std::optional<std::int64_t> from;
    std::optional<std::int64_t> to;
    if (options.fromSeconds || options.toSeconds) {
        CReplaySession peek(options.files, sessionOptions);
        if (const std::optional<CRecordedRead> first = peek.Next([](const CReplayMessage&) {})) {
            if (options.fromSeconds)
                from = NextTimeOfDay(first->time, *options.fromSeconds);
            if (options.toSeconds)
                to = NextTimeOfDay(from ? CWallTime{*from, first->time.utcOffsetMinutes} : first->time,
                                   *options.toSeconds);
        }
    }
    CReplayTerminal listener(terminal, stop);
    std::uint64_t handedOver = 0;
    {
        CReplayer player(std::move(session), *typeCode, terminal, &listener);
        if (!options.csvPath.empty() && !OpenLog(player, options.csvPath))
            return 1;
        player.Limit(from, to);
        player.SetSpeed(options.speed);
        player.Play();
        while (!stop.Wait(1s)) {
        }
        player.Stop();
        if (const std::optional<CWallTime> position = player.Position())
            lastClock = position->ClockReading();
        handedOver = player.HandedOver();
    }  // the log closed
    if (terminal.HadLogWriteError())
        return 1;
    if (handedOver == 0 && (from || to) && !stop.Signalled())
        TellWhatIsRecorded(terminal, options, sessionOptions, from, to);
    return handedOver == 0 ? 1 : 0;
}

} // namespace

int RunReplayCommand(int argc, char** argv)
{
    ReplayOptions options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;

    CStopSignal stop;
    std::signal(SIGPIPE, SIG_IGN);
    CTerminalReceiver terminal(STDOUT_FILENO, STDERR_FILENO, 0, stop);
    double lastClock = 0.0;
    terminal.ForReplay([&lastClock] { return lastClock; }, "replay");
    if (options.statistics)
        terminal.KeepStatistics();
    const int status = Replay(options, stop, terminal, lastClock);
    return terminal.Finish(status);
}
