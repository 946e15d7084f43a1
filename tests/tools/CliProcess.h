#pragma once
// Runs vantrel-cli as a child process, the way a user or a script does: read
// its output while it runs (or leave it unread, as a paused terminal or a
// pipe nobody reads does), send it a signal as a user's Ctrl-C would, then
// collect the rest with its exit status.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

struct CCliResult {
    int status = -1;  // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

class CChildProcess {
public:
    // extraEnvironment: "NAME=VALUE" entries added to this process's environment;
    // input: what the child reads on its standard input (then end of file);
    // outputPath: a file that takes standard output instead of a pipe.
    explicit CChildProcess(const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnvironment = {},
                           const std::string& input = "", const std::string& outputPath = "")
    {
        int inPipe[2], outPipe[2], errPipe[2];
        if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            dup2(inPipe[0], 0);
            const int outputFile = outputPath.empty() ? -1 : open(outputPath.c_str(), O_WRONLY | O_CLOEXEC);
            dup2(outputFile >= 0 ? outputFile : outPipe[1], 1);
            dup2(errPipe[1], 2);
            for (const std::string& entry : extraEnvironment)
                putenv(const_cast<char*>(entry.c_str()));
            std::vector<char*> argv{const_cast<char*>(VANTREL_CLI_PATH)};
            for (const std::string& arg : args)
                argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(VANTREL_CLI_PATH, argv.data());
            _exit(127);
        }
        close(inPipe[0]);
        close(outPipe[1]);
        close(errPipe[1]);
        signal(SIGPIPE, SIG_IGN);
        // Small inputs fit the pipe; the child may also not read them at all.
        if (!input.empty() && write(inPipe[1], input.data(), input.size()) < 0) {
        }
        close(inPipe[1]);
        fds[0] = outPipe[0];
        if (!outputPath.empty())
            CloseOutput();
        fds[1] = errPipe[0];
    }

    ~CChildProcess()
    {
        if (pid > 0 && !reaped) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        for (int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
    }

    // Reads standard output, or standard error, until it holds text; false
    // on timeout or end.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout)
    {
        return WaitFor(result.out, text, timeout);
    }
    bool WaitForError(const std::string& text, std::chrono::milliseconds timeout)
    {
        return WaitFor(result.err, text, timeout);
    }

    void Signal(int signalNumber) { kill(pid, signalNumber); }

    // From now on standard output is not read: once its pipe is full, the
    // child's writes wait. Wait collects it after the child has ended.
    void LeaveOutputUnread() { readingOutput = false; }
    void ResumeReadingOutput() { readingOutput = true; }
    // The pipe of standard output holds this many bytes (at least a page).
    bool SetOutputPipeSize(int bytes) { return fds[0] >= 0 && fcntl(fds[0], F_SETPIPE_SZ, bytes) >= bytes; }
    // Closes the reading end of standard output, as a reader that goes away does.
    void CloseOutput()
    {
        if (fds[0] >= 0)
            close(fds[0]);
        fds[0] = -1;
    }

    // True when the child has ended (it is left to Wait to collect).
    bool HasEnded()
    {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
    }

    // Collects the rest of the output and the exit status; kills the child
    // when it has not ended within timeout (status then 128 + SIGKILL).
    CCliResult Wait(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (StreamsOpen()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                kill(pid, SIGKILL);
                break;
            }
            Pump(static_cast<int>(left.count()));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        reaped = true;
        CollectUnreadOutput();
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return result;
    }

    const CCliResult& SoFar() const { return result; }

private:
    bool WaitFor(const std::string& stream, const std::string& text, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (stream.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !Pump(static_cast<int>(left.count())))
                return false;
        }
        return true;
    }

    // The streams still read: standard output only while it is read.
    bool StreamsOpen() const { return (readingOutput && fds[0] >= 0) || fds[1] >= 0; }

    // One wait for output; false when the streams read have ended.
    bool Pump(int timeoutMs)
    {
        pollfd watched[2] = {{readingOutput ? fds[0] : -1, POLLIN, 0}, {fds[1], POLLIN, 0}};
        if (poll(watched, 2, timeoutMs) <= 0)
            return StreamsOpen();
        std::string* sinks[2] = {&result.out, &result.err};
        for (int i = 0; i < 2; ++i) {
            if (fds[i] < 0 || !(watched[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            const ssize_t n = read(fds[i], buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i]);
                fds[i] = -1;
            }
        }
        return StreamsOpen();
    }

    // What the ended child left in the pipe of standard output.
    void CollectUnreadOutput()
    {
        if (readingOutput || fds[0] < 0)
            return;
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            result.out.append(buffer, static_cast<std::size_t>(n));
    }

    pid_t pid = -1;
    bool reaped = false;
    bool readingOutput = true;
    int fds[2] = {-1, -1};
    CCliResult result;
};

// Runs the tool to its end (killed after a minute) and returns what it did.
inline CCliResult RunCli(const std::vector<std::string>& args, const std::string& input = "")
{
    CChildProcess child(args, {}, input);
    return child.Wait(std::chrono::seconds(60));
}
