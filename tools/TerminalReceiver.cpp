#include "tools/TerminalReceiver.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "clock/Tickwarden.h"
#include "tools/ReportPrinter.h"
#include "tools/StopSignal.h"

namespace {

using namespace std::chrono_literals;
using Clock = CTerminalWriter::Clock;

constexpr std::size_t kReportsWaiting = 64;  // eight seconds of telegrams at 8 a second
constexpr std::size_t kMessagesWaiting = 64;
// What the terminal still gets after a stop signal: for the reports, then for the messages.
constexpr auto kReportsAfterSignal = 400ms;
constexpr auto kMessagesAfterSignal = 200ms;
constexpr auto kSignalCheck = 100ms;  // how often a wait for the terminal looks for a signal
constexpr auto kEndGrace = 100ms;     // for the writers' threads to end once closed

std::string LeftOutLine(std::uint64_t count, const std::string& what, const std::string& prefix)
{
    return prefix + std::to_string(count) + " " + what + (count == 1 ? "" : "s") +
           " left out: the terminal does not keep up\n";
}

} // namespace

CTerminalReceiver::CTerminalReceiver(int reportFd, int messageFd, std::uint64_t telegramLimit,
                                     CStopSignal& stopSignal)
    : printer(std::make_unique<CReportPrinter>()),
      limit(telegramLimit),
      stop(stopSignal),
      messages(messageFd, kMessagesWaiting, [this](std::uint64_t n) { return LeftOutLine(n, "message", prefix); }),
      reports(
          reportFd, kReportsWaiting, [this](std::uint64_t n) { return GapText(n); },
          [this](int error) { OnReportWriteFailure(error); })
{
}

void CTerminalReceiver::ForReplay(std::function<double()> now, std::string commandName)
{
    statisticsClock = std::move(now);
    prefix = "vantrel-cli " + commandName + ": ";
    waitForTerminal = true;
}

void CTerminalReceiver::PrintWith(std::unique_ptr<CTelegramPrinter> telegramPrinter)
{
    printer = std::move(telegramPrinter);
}

void CTerminalReceiver::OnTelegramDecoded(const CSharedTelegram& telegram)
{
    // The run ends with the reason logging stopped: nothing comes after it.
    if (logWriteFailed)
        return;
    const std::uint64_t number = ++handedOver;
    // Telegrams the reader hands over after the last wanted one are not shown.
    if (limit != 0 && number > limit)
        return;
    if (telegram->holdsSeveralTelegrams && !severalTold) {
        severalTold = true;
        Tell("vantrel-cli monitor: a read held several telegrams that came too close for silence to part them;"
             " --framing content would read each on its own\n");
    }
    // Counted whether or not the terminal takes it.
    if (models) {
        models->Add(*telegram);
        if (!indexCapTold && models->Statistics().IndexesPastCap()) {
            indexCapTold = true;
            Tell(prefix + CTelegramStatistics::IndexCapText() + "\n");
        }
    }
    if (!waitForTerminal) {
        reports.Offer(printer->Text(*telegram));
    } else {
        // A replay has all the time it takes: it waits for the terminal
        // after each batch, unless a signal came or writing failed.
        reports.Offer(printer->Text(*telegram), CTerminalWriter::WhenFull::Wait);
        if (++sinceTerminalWait >= kReportsWaiting) {
            sinceTerminalWait = 0;
            while (!stop.Signalled() && !reports.WaitWritten(Clock::now() + kSignalCheck)) {
            }
        }
    }
    if (number == limit)
        stop.Wake();
}

std::string CTerminalReceiver::GapText(std::uint64_t n)
{
    // The line stands where the reports are missing, when it may stand among them.
    const std::string line = LeftOutLine(n, "report", prefix);
    std::string text = printer->GapText(line);
    if (text.empty())
        Tell(line);
    return text;
}

void CTerminalReceiver::ShowStatistics()
{
    // After every report the terminal took, and never left out.
    const CTelegramStatistics& statistics = models->Statistics();
    std::string table = statistics.Table(statisticsClock ? statisticsClock() : CTickwarden::GetPCMilliSecs(), '\t');
    if (const std::uint64_t dropped = statistics.DroppedBySystem(); dropped > 0)
        table += "dropped by the system\t" + std::to_string(dropped) + "\n";
    if (const std::uint64_t several = statistics.ReadsHoldingSeveral(); several > 0)
        table += "reads holding several telegrams\t" + std::to_string(several) + "\n";
    reports.Offer(std::move(table), CTerminalWriter::WhenFull::Wait);
    WaitUntilShown(reports, kReportsAfterSignal);
}

void CTerminalReceiver::OnLogWriteError(const std::string& reason)
{
    logWriteFailed = true;
    Tell(prefix + "writing the log failed: " + reason + "; logging stopped\n");
    // A monitor is run to keep the log: without it, it stops, and a
    // service manager sees the failure.
    stop.Wake();
}

void CTerminalReceiver::OnLineEvent(const CLineEvent& event)
{
    // Through the terminal's own thread: a paused terminal must not hold up the monitor.
    if (models)
        models->OnLineEvent(event);
    if (event.kind != CLineEvent::Kind::DroppedBySystem) {
        if (std::string line = portErrors.LineFor(event); !line.empty())
            Tell(std::move(line));
        return;
    }
    const std::uint64_t count = event.count;
    if (dropsTold)
        return;
    dropsTold = true;
    Tell(prefix + "the system dropped " + std::to_string(count) + " datagram" + (count == 1 ? "" : "s") +
         " of the line: they came faster than they were read\n");
}

void CTerminalReceiver::Tell(std::string line)
{
    messages.Offer(std::move(line));
}

void CTerminalReceiver::OnReportWriteFailure(int error)
{
    reportWriteError = error;
    if (error == EPIPE) {
        // The reader of the output has gone (`monitor | head`): stop as on Ctrl-C.
        stop.Wake();
        return;
    }
    Tell(prefix + "writing the reports failed: " +
                   std::error_code(error, std::generic_category()).message() + "; they are no longer shown\n");
}

int CTerminalReceiver::Finish(int status)
{
    WaitUntilShown(reports, kReportsAfterSignal);
    if (models)
        ShowStatistics();
    const std::uint64_t untold = reports.Close();
    const int writeError = reportWriteError;
    if (writeError == EPIPE)
        Tell(prefix + "standard output was closed; stopped\n");
    else if (writeError == 0 && untold > 0)
        Tell(LeftOutLine(untold, "report", prefix));
    WaitUntilShown(messages, kMessagesAfterSignal);
    messages.Close();
    if (writeError != 0 && writeError != EPIPE && status == 0)
        status = 1;

    const auto until = Clock::now() + kEndGrace;
    const bool reportsEnded = reports.WaitEnded(until);
    if (!messages.WaitEnded(until) || !reportsEnded) {
        // The logs are closed and the settings saved: only a write the
        // terminal holds up is left, and it is not waited for.
        std::_Exit(status);
    }
    return status;
}

void CTerminalReceiver::WaitUntilShown(CTerminalWriter& writer, std::chrono::milliseconds afterSignal)
{
    // Reception has stopped already: without a signal the terminal gets
    // all the time it takes.
    while (!stop.Signalled()) {
        if (writer.WaitWritten(Clock::now() + kSignalCheck))
            return;
    }
    writer.WaitWritten(Clock::now() + afterSignal);
}
