#include <cstdio>
#include <cstring>

#include "tools/DecodeCommand.h"
#include "tools/MonitorCommand.h"
#include "tools/ReplayCommand.h"
#include "tools/SimulateCommand.h"

namespace {
void PrintUsage(std::FILE* out)
{
    std::fputs("usage: vantrel-cli COMMAND [OPTIONS]\n"
               "commands:\n"
               "  decode    decode telegrams held in files\n"
               "  monitor   listen on the serial line and print every telegram\n"
               "  replay    play recorded sessions (captures, logs) as the monitor shows a line\n"
               "  simulate  write generated telegrams to a line or the network\n"
               "Run 'vantrel-cli COMMAND --help' for the options of a command,\n"
               "'vantrel-cli --version' for the version.\n",
               out);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "decode") == 0)
        return RunDecodeCommand(argc - 1, argv + 1);
    if (std::strcmp(command, "monitor") == 0)
        return RunMonitorCommand(argc - 1, argv + 1);
    if (std::strcmp(command, "replay") == 0)
        return RunReplayCommand(argc - 1, argv + 1);
    if (std::strcmp(command, "simulate") == 0)
        return RunSimulateCommand(argc - 1, argv + 1);
    if (std::strcmp(command, "--version") == 0) {
        std::printf("vantrel-cli %s\n", VANTREL_VERSION);
        return 0;
    }
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "vantrel-cli: unknown command '%s'\n", command);
    PrintUsage(stderr);
    return 2;
}
