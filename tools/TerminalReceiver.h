#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <memory>
#include <optional>

#include "acquisition/TelegramReceiver.h"
#include "models/LineModels.h"
#include "tools/PortErrorReporter.h"
#include "tools/TelegramPrinter.h"
#include "tools/TerminalWriter.h"

class CStopSignal;

// The monitor's terminal: prints every telegram the controller hands over
// (as its report in plain text followed by an empty line, unless another
// printer is chosen), and the monitor's messages on standard error, among
// them what happens to the line: a port that cannot be opened, once per
// reason, a line lost, datagrams the system dropped; with statistics, it
// feeds the line's models (those the window's tool windows draw) with every
// telegram handed over and ends the output with their statistics. The
// reader thread only hands the text over: a terminal that does not keep up
// (paused with Ctrl-S, a pipe nobody reads) never holds up reception or
// logging. Reports it cannot take are
// left out of the terminal only, and a line in their place says how many.
// Asks the main thread to stop once the wanted number of telegrams has
// been handed over (shown or left out), when the reader of the output
// has gone, or when logging failed.
//
// Construct it after CStopSignal and before the controller; it must outlive
// the controller.
class CTerminalReceiver : public CTelegramReceiver {
public:
    // limit 0: no limit.
    CTerminalReceiver(int reportFd, int messageFd, std::uint64_t limit, CStopSignal& stop);

    // How each telegram is printed; before the controller starts.
    void PrintWith(std::unique_ptr<CTelegramPrinter> printer);
    // Keeps the line's models and ends the output with their statistics
    // as tab-separated lines; before the controller starts.
    void KeepStatistics() { models.emplace(); }
    // For a replay, before it starts: no report is left out (the replay
    // waits for the terminal instead), the statistics are taken at the
    // clock reading now() gives (the replay's recorded time), and the
    // messages name the command.
    void ForReplay(std::function<double()> now, std::string commandName);

    void OnTelegramDecoded(const CSharedTelegram& telegram) override;
    // Logging failed: the run ends at once, and no telegram is shown after the reason.
    void OnLogWriteError(const std::string& reason) override;
    // A refused port, a lost line (see CPortErrorReporter) and the first
    // dropped datagrams are told on standard error; the statistics count
    // every dropped datagram.
    void OnLineEvent(const CLineEvent& event) override;
    // On standard error, after the command's name.
    void OnNotice(const std::string& text) override { Tell(prefix + text + "\n"); }

    // The line's models, with statistics; fed on the reader thread, so read
    // them once it has ended.
    const CLineModels* Models() const { return models ? &*models : nullptr; }

    bool HadLogWriteError() const { return logWriteFailed; }

    // A line for standard error (ending in a newline), from any thread,
    // never waiting for the terminal.
    void Tell(std::string line);

    // Once reception has stopped and the logs are closed: lets the terminal
    // take what is still to be shown and the statistics (after a stop signal
    // for a moment only, else until it has or a signal comes), tells how
    // many reports it was not given, and returns the exit status (status, or 1 when the reports
    // could not be written). When the terminal still holds up a write, the
    // process ends here with that status without waiting for it: everything
    // else is done by then.
    int Finish(int status);

private:
    // Once a signal came, waits afterSignal at most.
    void WaitUntilShown(CTerminalWriter& writer, std::chrono::milliseconds afterSignal);
    void OnReportWriteFailure(int error);
    // What stands in the reports for n of them left out.
    std::string GapText(std::uint64_t n);
    void ShowStatistics();

    std::unique_ptr<CTelegramPrinter> printer;
    std::function<double()> statisticsClock;
    std::string prefix = "vantrel-cli monitor: ";
    bool waitForTerminal = false;
    std::uint64_t sinceTerminalWait = 0;
    // Fed on the reader thread only; read once it has ended.
    std::optional<CLineModels> models;
    std::uint64_t limit;
    CStopSignal& stop;
    std::atomic<std::uint64_t> handedOver{0};
    std::atomic<bool> logWriteFailed{false};
    // Taken one event at a time, in order.
    bool dropsTold = false;
    bool severalTold = false;  // the advice to frame by content was given
    bool indexCapTold = false;  // that the statistics count later indexes together
    CPortErrorReporter portErrors;
    std::atomic<int> reportWriteError{0};
    CTerminalWriter messages;
    CTerminalWriter reports;
};
