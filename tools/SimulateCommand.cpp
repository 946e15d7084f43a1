#include "tools/SimulateCommand.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "acquisition/CommSettings.h"
#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "settings/Registry.h"
#include "simulation/HostPort.h"
#include "simulation/LineWriter.h"
#include "simulation/PtyLine.h"
#include "simulation/TcpTelegramServer.h"
#include "simulation/TelegramSimulator.h"
#include "simulation/UdpTelegramSender.h"
#include "tools/OptionValues.h"
#include "tools/RecordingSender.h"
#include "tools/StopSignal.h"

namespace {

using namespace std::chrono_literals;

const char* const kUsageTemplate =
    "usage: vantrel-cli simulate [--type CODE] [--rate HZ] [--count N] [--errors FRACTION]\n"
    "                            [--config TEXT] [--burst N] [--split] [--replay FILE]\n"
    "                            (--port COMn | --device PATH | --pty |\n"
    "                             --udp HOST:PORT | --tcp-listen [HOST:]PORT)\n"
    "\n"
    "Plays the positioning system: writes generated telegrams to a line, each\n"
    "as one burst followed by silence, or sends them over the network. It never\n"
    "reads. Ctrl-C, SIGTERM or SIGHUP stops it, and so does the reader of its\n"
    "output going away. A pseudo-terminal keeps 8 data bits without parity\n"
    "whatever it is asked: it is used so, and what it kept is told once.\n"
    "\n"
    "  --type CODE        {types}\n"
    "                     (default: the stored type)\n"
    "  --rate HZ          telegrams per second (default 1)\n"
    "  --count N          stop after N telegrams (default: until stopped)\n"
    "  --errors FRACTION  share of telegrams spoiled in turn: a flipped bit\n"
    "                     (wrong checksum), cut short, wrong end byte (0 to 1)\n"
    "  --replay FILE      send the reads of a recorded session (a capture of\n"
    "                     'monitor --json', a raw log with its CSV log) at their\n"
    "                     recorded pace instead of generated telegrams; again\n"
    "                     for further files played after it\n"
    "  --config TEXT      baud rate and frame of a serial device, as stored:\n"
    "                     Config(BAUD,8,N,1) or Config(BAUD,7,O,2), BAUD 2400,\n"
    "                     4800, 9600, 19200, 38400, 57600 or 115200 (default:\n"
    "                     the stored one)\n"
    "  --burst N          N telegrams back to back in one write per cycle (as a\n"
    "                     system sends its transponders' replies; 1 to 100,\n"
    "                     default 1); --rate counts cycles\n"
    "  --split            write each telegram (or burst) in random pieces a few\n"
    "                     milliseconds apart, as a device server forwards segments\n"
    "  --port COMn        write to the device the port map gives for COMn\n"
    "  --device PATH      write to PATH\n"
    "  --pty              write to a new pseudo-terminal; prints the path to read\n"
    "                     and the VANTREL_PORTS entry that maps a port to it\n"
    "  --udp HOST:PORT    send each telegram as one UDP datagram to HOST:PORT\n"
    "                     (a host name, an IPv4 address, a multicast group or\n"
    "                     [IPv6]); prints the VANTREL_PORTS entry that reads it\n"
    "  --tcp-listen [HOST:]PORT\n"
    "                     serve a TCP port as a serial device server does (host\n"
    "                     default 127.0.0.1, port 0: any free one): waits for the\n"
    "                     first client, then sends every telegram to every\n"
    "                     client; prints 'listening on HOST:PORT' and the\n"
    "                     VANTREL_PORTS entry that reads it\n"
    "\n"
    "Exit status: 0 done or stopped; 1 the line or address could not be opened\n"
    "or written; 2 bad usage or a type without telegrams.\n";

const char* Usage()
{
    static const std::string text = WithTypeCodes(kUsageTemplate);
    return text.c_str();
}

struct SimulateOptions {
    CSimulationOptions simulation;
    bool typeGiven = false;
    std::optional<std::string> configString;
    std::optional<std::string> portName;
    std::optional<std::string> devicePath;
    bool pty = false;
    std::optional<CHostPort> udpDestination;
    std::optional<CHostPort> tcpListenAddress;
    std::vector<std::string> replayFiles;
};

// Where --tcp-listen listens when its value names only a port.
const char* const kDefaultListenHost = "127.0.0.1";

int ParseValue(const COptionReader& reader, const std::string& arg, const std::string& value,
               SimulateOptions& options)
{
    CSimulationOptions& simulation = options.simulation;
    if (arg == "--type") {
        const auto code = ParseWholeNumber(value, INT32_MIN, INT32_MAX);
        if (!code)
            return reader.UsageError("bad type code " + value);
        simulation.typeCode = static_cast<int>(*code);
        options.typeGiven = true;
    } else if (arg == "--rate") {
        const auto rate = ParseDecimal(value, 0.001, 1000.0);
        if (!rate)
            return reader.UsageError("bad rate " + value + " (0.001 to 1000 per second)");
        simulation.rate = *rate;
    } else if (arg == "--count") {
        const auto count = ParseWholeNumber(value, 0, INT64_MAX);
        if (!count)
            return reader.UsageError("bad count " + value);
        simulation.count = static_cast<std::uint64_t>(*count);
    } else if (arg == "--errors") {
        const auto fraction = ParseDecimal(value, 0.0, 1.0);
        if (!fraction)
            return reader.UsageError("bad error fraction " + value + " (0 to 1)");
        simulation.errorFraction = *fraction;
    } else if (arg == "--burst") {
        const auto burst = ParseWholeNumber(value, 1, 100);
        if (!burst)
            return reader.UsageError("bad burst " + value + " (1 to 100 telegrams)");
        simulation.burst = static_cast<int>(*burst);
    } else if (arg == "--config") {
        return TakeConfigText(reader, value, options.configString);
    } else if (arg == "--replay") {
        options.replayFiles.push_back(value);
    } else if (arg == "--port") {
        options.portName = value;
    } else if (arg == "--device") {
        options.devicePath = value;
    } else if (arg == "--udp") {
        options.udpDestination = CHostPort::Parse(value);
        if (!options.udpDestination || options.udpDestination->port == 0)
            return reader.UsageError("bad address " + value + " (HOST:PORT, [IPv6]:PORT; port 1 to 65535)");
    } else if (arg == "--tcp-listen") {
        options.tcpListenAddress = CHostPort::Parse(value, kDefaultListenHost);
        if (!options.tcpListenAddress)
            return reader.UsageError("bad address " + value + " ([HOST:]PORT, [IPv6]:PORT; port 0 to 65535)");
    } else {
        return reader.UsageError("unknown argument " + arg);
    }
    return 0;
}

// 0 when understood, -1 after --help, else the exit status.
int ParseArguments(int argc, char** argv, SimulateOptions& options)
{
    COptionReader reader{"simulate", Usage(), nullptr, nullptr, nullptr};
    reader.isFlag = [](const std::string& option) { return option == "--pty" || option == "--split"; };
    reader.onFlag = [&options](const std::string& flag) {
        options.pty |= flag == "--pty";
        options.simulation.split |= flag == "--split";
    };
    reader.onValue = [&options, &reader](const std::string& option, const std::string& value) {
        return ParseValue(reader, option, value, options);
    };
    if (const int status = reader.Read(argc, argv))
        return status;
    const int lines = (options.portName ? 1 : 0) + (options.devicePath ? 1 : 0) + (options.pty ? 1 : 0) +
                      (options.udpDestination ? 1 : 0) + (options.tcpListenAddress ? 1 : 0);
    if (lines != 1)
        return reader.UsageError("give one of --port, --device, --pty, --udp and --tcp-listen");
    return 0;
}

// One line on standard error.
void Tell(const std::string& text)
{
    std::fprintf(stderr, "vantrel-cli simulate: %s\n", text.c_str());
}

// Where the telegrams go: a device (closed when done), a pseudo-terminal,
// a UDP peer or the clients of a TCP port. Each says on standard output
// where a listener finds it.
class COutput {
public:
    explicit COutput(CRegistry& settings) : registry(settings) {}
    ~COutput()
    {
        if (device >= 0)
            ::close(device);
    }

    // Empty when the output is ready, else why it is not.
    std::string Open(const SimulateOptions& options)
    {
        try {
            if (options.udpDestination)
                return OpenUdp(*options.udpDestination);
            if (options.tcpListenAddress)
                return OpenTcpServer(*options.tcpListenAddress);
        } catch (const std::exception& error) {
            return error.what();
        }
        const std::string failure = options.pty ? OpenPty() : OpenDevice(options);
        return failure.empty() ? "" : "cannot open the line: " + failure;
    }

    // The sink the simulator sends to; valid while this output lives.
    std::unique_ptr<CTelegramSink> TakeSink() { return std::move(sink); }

private:
    std::string OpenUdp(const CHostPort& destination)
    {
        const CSocketAddress address = destination.Resolve(SOCK_DGRAM);
        sink = std::make_unique<CUdpTelegramSender>(address);
        const std::string sentTo = CHostPort::Of(address).Text();
        std::printf("sending to %s\n", sentTo.c_str());
        AnnouncePortEntry("udp://" + sentTo);
        return "";
    }

    std::string OpenTcpServer(const CHostPort& listenAddress)
    {
        auto server = std::make_unique<CTcpTelegramServer>(listenAddress.Resolve(SOCK_STREAM));
        const std::string local = CHostPort::Of(server->LocalAddress()).Text();
        sink = std::move(server);
        std::printf("listening on %s\n", local.c_str());
        AnnouncePortEntry("tcp://" + local);
        return "";
    }

    std::string OpenPty()
    {
        try {
            pty = std::make_unique<CPtyLine>();
        } catch (const std::exception& error) {
            return error.what();
        }
        sink = std::make_unique<CLineWriter>(pty->MasterFd());
        std::printf("pseudo-terminal: %s\n", pty->SlavePath().c_str());
        AnnouncePortEntry(pty->SlavePath());
        return "";
    }

    std::string OpenDevice(const SimulateOptions& options)
    {
        std::string path = options.devicePath.value_or("");
        if (options.portName) {
            path = CPortMap::DevicePath(CommSettings::PortNumberFor(*options.portName));
            if (path.empty())
                return *options.portName + " maps to no device";
        }
        device = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (device < 0)
            return path + ": " + std::strerror(errno);
        const std::string configString =
            options.configString ? *options.configString : StoredValue(&CommSettings::StoredConfig);
        // Raw bytes at the baud rate and frame the listener expects.
        try {
            if (isatty(device)) {
                if (const std::string kept = CSerialPort::ApplyFrame(device, path, CommSettings::FrameFor(configString));
                    !kept.empty())
                    Tell(kept);
            }
        } catch (const CSerialException& error) {
            const std::string reason = error.GetErrorMessage();
            return reason.rfind(path + " ", 0) == 0 ? reason : path + ": " + reason;
        }
        sink = std::make_unique<CLineWriter>(device);
        return "";
    }

    // A stored setting, the default when it cannot be used (which is told).
    template <typename Value>
    Value StoredValue(Value (*read)(CSettingsStore&, std::string*))
    {
        std::string fault;
        Value value = read(registry, &fault);
        if (!fault.empty())
            Tell(fault);
        return value;
    }

    // The port map entry that gives the stored port this output.
    void AnnouncePortEntry(const std::string& mappedTo)
    {
        const int portNumber = CommSettings::PortNumberFor(StoredValue(&CommSettings::StoredPortName));
        std::printf("VANTREL_PORTS='COM%d=%s'\n", portNumber, mappedTo.c_str());
        std::fflush(stdout);
    }

    CRegistry& registry;
    int device = -1;
    std::unique_ptr<CPtyLine> pty;
    std::unique_ptr<CTelegramSink> sink;
};

int SendRecordingTo(const SimulateOptions& options, CRegistry& registry, CStopSignal& stop)
{
    COutput output(registry);
    if (const std::string failure = output.Open(options); !failure.empty()) {
        Tell(failure);
        return 1;
    }
    const std::unique_ptr<CTelegramSink> sink = output.TakeSink();
    return SendRecording(options.replayFiles,
                         options.typeGiven ? std::optional<int>(options.simulation.typeCode) : std::nullopt, *sink,
                         stop);
}

int Simulate(SimulateOptions& options, CRegistry& registry, CStopSignal& stop)
{
    if (!options.replayFiles.empty())
        return SendRecordingTo(options, registry, stop);
    if (!options.typeGiven) {
        std::string fault;
        options.simulation.typeCode = CommSettings::StoredTelegramType(registry, &fault);
        if (!fault.empty())
            Tell(fault);
    }
    if (!CTelegramGenerator::Create(options.simulation.typeCode)) {
        std::fprintf(stderr, "vantrel-cli simulate: no telegrams of type %d to send\n", options.simulation.typeCode);
        return 2;
    }
    COutput output(registry);
    const std::string failure = output.Open(options);
    if (!failure.empty()) {
        Tell(failure);
        return 1;
    }
    CTelegramSimulator simulator(output.TakeSink(), options.simulation);
    simulator.Start();
    while (!stop.Wait(100ms) && !simulator.WaitFinished(0ms)) {
    }
    simulator.Stop();
    std::fprintf(stderr, "vantrel-cli simulate: sent %llu telegrams, %llu of them spoiled\n",
                 static_cast<unsigned long long>(simulator.SentCount()),
                 static_cast<unsigned long long>(simulator.SpoiledCount()));
    const std::string writeError = simulator.GetWriteError();
    if (!writeError.empty()) {
        Tell("writing to the line failed: " + writeError);
        return 1;
    }
    return 0;
}

int SimulateUntilStopped(SimulateOptions& options, CRegistry& registry, CStopSignal& stop)
{
    // A reader of what it prints that goes away (`simulate --pty | head -2`)
    // stops it as Ctrl-C does, never a SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    stop.StopWhenReaderGoes(STDOUT_FILENO);
    const int status = Simulate(options, registry, stop);
    if (stop.ReaderGone())
        Tell("standard output was closed; stopped");
    return status;
}

} // namespace

int RunSimulateCommand(int argc, char** argv)
{
    SimulateOptions options;
    const int parsed = ParseArguments(argc, argv, options);
    if (parsed != 0)
        return parsed < 0 ? 0 : parsed;
    CStopSignal stop;
    // Read only: simulating changes nothing the user has stored.
    CRegistry registry;
    registry.Open();
    return SimulateUntilStopped(options, registry, stop);
}
