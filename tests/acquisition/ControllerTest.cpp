// The acquisition controller on real pseudo-terminals: what each read hands
// over, logging across type changes and pauses, a faulting decoder, settings
// changes, a vanishing device and how quickly the user gets the controller
// back while the line is idle. Timings are checked with wide margins only.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/acquisition/ControllerSupport.h"
#include "tests/decoders/CountingDisk.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/FileSizeLimit.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<int> nextTestPort{300};

// The header rows a format writes at the top of a fresh CSV log.
std::string HeaderRowsOf(int typeCode)
{
    CTempDir dir;
    const std::string path = dir.File("header.csv");
    CFormatTable::Create(typeCode)->OpenLogs(path);
    return ReadWholeFile(path);
}

std::size_t LineCount(const std::string& text)
{
    return SplitLines(text).size();
}

// The receiver's telegrams and line events in the order told, timed-out
// reads (which a quiet line gives at any time) left out.
std::vector<std::string> ToldInOrder(CRecordingReceiver& receiver)
{
    std::vector<std::string> told = receiver.Order();
    std::erase(told, "telegram ");
    return told;
}

class ControllerTest : public ::testing::Test {
protected:
    void Start(int typeCode, CTelegramDecoder::DecoderMaker maker = &CFormatTable::Create)
    {
        StoreLineSettings(store, line, typeCode);
        controller = std::make_unique<CTelegramDecoder>(&receiver, &store, std::move(maker));
        // Bytes sent before the port is open are lost, as on a real line.
        ASSERT_TRUE(Eventually([this] { return line.IsHeldOpen(); }));
    }

    // Sends a telegram and waits for it to be handed over.
    CHandOff Exchange(const std::string& bytes)
    {
        const std::size_t before = receiver.Count();
        line.Line().Write(bytes);
        EXPECT_TRUE(receiver.WaitFor(before + 1));
        return receiver.HandOffs().back();
    }

    // Logging to name.csv and name.raw, and how many header rows the CSV begins with.
    struct CLogs {
        std::string csvPath;
        std::string rawPath;
        std::size_t headerLines = 0;
    };
    CLogs StartLogging(const std::string& name)
    {
        CLogs logs{logDir.File(name + ".csv"), logDir.File(name + ".raw")};
        EXPECT_TRUE(controller->SetLogging(true, logs.csvPath).Ok());
        logs.headerLines = LineCount(ReadWholeFile(logs.csvPath));
        return logs;
    }

    // HPR 418F telegrams read and logged to name.csv and name.raw.
    CLogs StartLoggingHpr418F(const std::string& name)
    {
        Start(kTypeHpr418F);
        return StartLogging(name);
    }

    // Sends a telegram and waits until the raw log holds it.
    void SendLogged(const std::string& bytes, const std::string& rawPath)
    {
        const auto before = std::filesystem::exists(rawPath) ? std::filesystem::file_size(rawPath) : 0;
        line.Line().Write(bytes);
        EXPECT_TRUE(Eventually([&] { return std::filesystem::file_size(rawPath) >= before + bytes.size(); }));
    }

    // Decoders whose logs are synchronised to disk, which fails once failing is set.
    CTelegramDecoder::DecoderMaker OnFailingDisk()
    {
        disk.failure = [this] { return failing ? std::string("Input/output error") : std::string(); };
        return [this](int code) {
            std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(code);
            if (decoder)
                decoder->SetDiskSyncer(disk.Syncer());
            return decoder;
        };
    }

    std::unique_ptr<CTelegramGenerator> hpr418F = CTelegramGenerator::Create(kTypeHpr418F);
    CMappedLine line{nextTestPort++};
    CMemorySettingsStore store;
    CRecordingReceiver receiver;
    CTempDir logDir;
    CCountingDisk disk;
    std::atomic<bool> failing{false};
    std::unique_ptr<CTelegramDecoder> controller;
};

TEST(ControllerStartTest, FreshStoreSelectsHpr418FAndWritesItAtOnce)
{
    CMemorySettingsStore store;
    CTelegramDecoder controller(nullptr, &store);
    std::int32_t stored = -1;
    ASSERT_TRUE(store.ReadInt("Telegram", stored));
    EXPECT_EQ(stored, 6);
    EXPECT_EQ(controller.GetTelegramType(), 6);
    std::string portName, configString;
    int timeout = 0;
    ASSERT_TRUE(Eventually([&] { return controller.GetCommSettings(portName, configString, timeout); }));
    EXPECT_EQ(portName, "COM1");
    EXPECT_EQ(configString, "Config(9600,8,N,1)");
    EXPECT_EQ(timeout, 2);
    // Port and configuration are only stored when the user confirms them.
    EXPECT_FALSE(store.ReadString("Port", portName));
}

TEST_F(ControllerTest, EachReadIsOneTelegramOfAtMost256Bytes)
{
    Start(kNoDecoder);
    std::string burst;
    for (int i = 0; i < 300; ++i)
        burst += static_cast<char>(i * 7);
    const double before = CTickwarden::GetPCMilliSecs();
    line.Line().Write(burst);
    ASSERT_TRUE(receiver.WaitFor(2));
    line.Line().WriteBursts({"AB", std::string("C\0D", 3)}, 40ms);
    ASSERT_TRUE(receiver.WaitFor(3));

    const auto handOffs = receiver.HandOffs();
    ASSERT_EQ(handOffs.size(), 3u);
    EXPECT_EQ(handOffs[0].raw, burst.substr(0, 256));
    EXPECT_EQ(handOffs[1].raw, burst.substr(256));
    EXPECT_EQ(handOffs[2].raw, std::string("ABC\0D", 5));  // 40 ms apart: one telegram
    for (const CHandOff& handOff : handOffs) {
        EXPECT_EQ(handOff.text, "");  // no decoder, empty report
        EXPECT_GT(handOff.index.receiveTime, before);
        EXPECT_LE(handOff.index.receiveTime, CTickwarden::GetPCMilliSecs());
    }
}

TEST_F(ControllerTest, TelegramsTenTimesASecondAreHandedOverOneByOne)
{
    Start(kNoDecoder);
    std::vector<std::string> sent;
    auto next = Clock::now();
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_until(next);
        sent.push_back("telegram " + std::to_string(i));
        line.Line().Write(sent.back());
        next += 100ms;
    }
    ASSERT_TRUE(receiver.WaitFor(20));
    std::vector<std::string> received;
    for (const CHandOff& handOff : receiver.HandOffs())
        received.push_back(handOff.raw);
    EXPECT_EQ(received, sent);
}

TEST_F(ControllerTest, TelegramsOfTheSelectedTypeAreDecodedAndCounted)
{
    Start(kTypeHpr418F);
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    const std::string first = generator->Next();
    const std::string second = generator->Next();
    const CHandOff one = Exchange(first);
    const CHandOff two = Exchange(second);
    EXPECT_EQ(one.raw, first);
    EXPECT_NE(one.text.find("Telegram number : 1"), std::string::npos) << one.text;
    EXPECT_NE(two.text.find("Telegram number : 2"), std::string::npos) << two.text;
    EXPECT_TRUE(two.index.valid);
    EXPECT_EQ(two.text.find("Decode of telegram"), std::string::npos);
}

TEST_F(ControllerTest, TypeWithoutDecoderCannotLog)
{
    Start(kNoDecoder);
    const std::string path = logDir.File("log.csv");
    const CLogOpenResult result = controller->SetLogging(true, path);
    EXPECT_FALSE(result.Ok());
    EXPECT_FALSE(result.csv.error.empty());
    EXPECT_FALSE(controller->IsLogging());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(logDir.File("log.raw")));
}

TEST_F(ControllerTest, PauseIsTheDisplaysAloneEveryTelegramIsCountedLoggedAndHandedOver)
{
    Start(kTypeHpr418F);
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    const auto [csvPath, rawPath, headerLines] = StartLogging("paused");

    controller->SetPaused(true);
    EXPECT_TRUE(controller->IsPaused());
    std::string sent;
    for (int i = 0; i < 3; ++i) {
        const std::string telegram = generator->Next();
        SendLogged(telegram, rawPath);
        sent += telegram;
    }
    ASSERT_TRUE(receiver.WaitFor(3));
    EXPECT_EQ(ReadWholeFile(rawPath), sent);
    EXPECT_EQ(LineCount(ReadWholeFile(csvPath)), headerLines + 3);

    controller->SetPaused(false);
    const CHandOff next = Exchange(generator->Next());
    EXPECT_NE(next.text.find("Telegram number : 4"), std::string::npos) << next.text;
}

TEST_F(ControllerTest, PortClosedByTheUserIsToldAndOpensAgainAtTheNextPass)
{
    Start(kNoDecoder);
    Exchange("before");
    controller->ClosePort();
    EXPECT_EQ(receiver.Fault().reason, "closed by the user");
    ASSERT_TRUE(Eventually([&] { return receiver.Fault().reason.empty(); }));
    Exchange("after");
    EXPECT_EQ(ToldInOrder(receiver),
              (std::vector<std::string>{"telegram before", "closed by the user", "back", "telegram after"}));
    EXPECT_EQ(receiver.Fault().reason, "");
}

TEST_F(ControllerTest, TypeChangeWhileLoggingKeepsWhatWasLogged)
{
    Start(kTypeHpr418F);
    const std::string csvPath = logDir.File("changes.csv");
    const std::string rawPath = logDir.File("changes.raw");
    ASSERT_TRUE(controller->SetLogging(true, csvPath).Ok());
    auto hpr418 = CTelegramGenerator::Create(kTypeHpr418F);
    auto hpr309 = CTelegramGenerator::Create(kTypeHpr309);
    std::string sent;
    for (int i = 0; i < 2; ++i) {
        const std::string telegram = hpr418->Next();
        SendLogged(telegram, rawPath);
        sent += telegram;
    }

    controller->SelectTelegramType(kTypeHpr309);
    for (int i = 0; i < 2; ++i) {
        const std::string telegram = hpr309->Next();
        SendLogged(telegram, rawPath);
        sent += telegram;
    }
    ASSERT_TRUE(controller->IsLogging());
    EXPECT_EQ(ReadWholeFile(rawPath), sent);

    const std::string header418 = HeaderRowsOf(kTypeHpr418F);
    const std::string header309 = HeaderRowsOf(kTypeHpr309);
    const std::string csv = ReadWholeFile(csvPath);
    ASSERT_EQ(csv.rfind(header418, 0), 0u) << csv;
    const std::size_t newHeader = csv.find(header309, header418.size());
    ASSERT_NE(newHeader, std::string::npos) << csv;
    EXPECT_EQ(LineCount(csv.substr(header418.size(), newHeader - header418.size())), 2u);
    EXPECT_EQ(LineCount(csv.substr(newHeader + header309.size())), 2u);
}

// Decodes "X..." telegrams only halfway before it fails.
class CFaultyDecoder : public CFormatDecoder {
public:
    CFaultyDecoder() : CFormatDecoder(RowShape::AfterDecode) {}
    void WriteCsvHeader() override {}
    TelegramStatus Validate(const CByteView&) override { return kStatusOk; }

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex&) override
    {
        report->Append("telegram %d decoded", count);
        if (telegram.At(0) == 'X')
            throw std::runtime_error("bad field");
        report->NewLine();
    }
};

TEST_F(ControllerTest, DecoderFaultIsShownOnLinesOfItsOwnAndTheNextTelegramIsNormal)
{
    Start(kTypeHpr418F, [](int) { return std::make_unique<CFaultyDecoder>(); });
    const CHandOff faulted = Exchange("X-ray");
    EXPECT_EQ(faulted.text,
              "telegram 1 decoded\nDecode of telegram caused internal error.\n\n"
              "Use the 'Hex Window' to view received data\n");
    EXPECT_EQ(faulted.raw, "X-ray");
    const CHandOff next = Exchange("normal");
    EXPECT_EQ(next.text, "telegram 2 decoded\n");
}

TEST_F(ControllerTest, NewSettingsReopenThePortWithThemAtTheNextPass)
{
    Start(kNoDecoder);
    Exchange("first line");
    CMappedLine other(nextTestPort++);
    const auto before = Clock::now();
    controller->SetCommSettings(other.PortName(), "Config(19200,7,O,2)", 20);
    EXPECT_LT(Clock::now() - before, 1s);  // an idle read does not hold up the user

    std::string stored;
    ASSERT_TRUE(store.ReadString("Port", stored));
    EXPECT_EQ(stored, other.PortName());
    ASSERT_TRUE(store.ReadString("Config", stored));
    EXPECT_EQ(stored, "Config(19200,7,O,2)");

    ASSERT_TRUE(Eventually([&] { return other.IsHeldOpen(); }));
    other.Line().Write("second line");
    ASSERT_TRUE(receiver.WaitFor(2));
    EXPECT_EQ(receiver.HandOffs()[1].raw, "second line");
    line.Line().Write("old line");
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(receiver.Count(), 2u);
}

// Runs change while watching the line, and for a while after it (an opening
// waits 100 ms first): true when the port let go of the line to open it again.
bool ReopensTheLine(CMappedLine& line, const std::function<void()>& change)
{
    CLineWatch watch(line.Line().SlavePath());
    change();
    std::this_thread::sleep_for(400ms);
    return watch.Stop();
}

TEST_F(ControllerTest, ConfirmingTheSameSettingsKeepsTheLineTheCountAndTheLogs)
{
    const auto [csvPath, rawPath, headerLines] = StartLoggingHpr418F("same");
    const std::string first = hpr418F->Next();
    Exchange(first);

    EXPECT_FALSE(ReopensTheLine(line, [&] {
        controller->SetCommSettings(line.PortName(), kConfig, 2);
        controller->SelectTelegramType(kTypeHpr418F);
    }));
    const std::string second = hpr418F->Next();
    const CHandOff next = Exchange(second);
    EXPECT_NE(next.text.find("Telegram number : 2\n"), std::string::npos) << next.text;
    // The logs go on: no second set of header rows.
    EXPECT_EQ(LineCount(ReadWholeFile(csvPath)), headerLines + 2);
    EXPECT_EQ(ReadWholeFile(rawPath), first + second);
    std::int32_t stored = -1;
    EXPECT_TRUE(store.ReadInt("Telegram", stored));
    EXPECT_EQ(stored, kTypeHpr418F);
}

TEST_F(ControllerTest, OnlyAnotherFrameOrPortOpensTheLineAgain)
{
    Start(kNoDecoder);
    // The same rate and frame written otherwise: the line stays as it is.
    EXPECT_FALSE(ReopensTheLine(line, [&] { controller->SetCommSettings(line.PortName(), "9600 8,N,1", 2); }));
    EXPECT_TRUE(ReopensTheLine(line, [&] { controller->SetCommSettings(line.PortName(), "Config(19200,8,N,1)", 2); }));
    EXPECT_TRUE(ReopensTheLine(line, [&] { controller->SetCommSettings(line.PortName(), "Config(19200,7,O,2)", 2); }));
    EXPECT_EQ(Exchange("still read").raw, "still read");
}

TEST_F(ControllerTest, NewReceiveTimeoutAppliesToTheNextReadWithoutReopening)
{
    Start(kNoDecoder);  // an empty read is handed over as it is
    controller->SetCommSettings(line.PortName(), kConfig, 20);
    ASSERT_TRUE(Eventually([&] { return line.IsHeldOpen(); }));
    Exchange("wake up");
    const std::size_t before = receiver.Count();
    Clock::time_point changed;
    EXPECT_FALSE(ReopensTheLine(line, [&] {
        changed = Clock::now();
        controller->SetCommSettings(line.PortName(), kConfig, 1);
    }));
    ASSERT_TRUE(receiver.WaitFor(before + 1, 10s));
    const auto waited = Clock::now() - changed;
    EXPECT_EQ(receiver.HandOffs()[before].raw, "");
    EXPECT_GE(waited, 900ms);  // 1 s plus 1 ms a byte, not the 20 s before
    EXPECT_LT(waited, 6s);
}

TEST_F(ControllerTest, ClosingWhileTheLineIsIdleDoesNotWaitOutTheReceiveTimeout)
{
    Start(kNoDecoder);
    controller->SetCommSettings(line.PortName(), kConfig, 20);
    Exchange("wake up");
    std::this_thread::sleep_for(200ms);  // the next read is waiting now
    const auto before = Clock::now();
    controller.reset();
    EXPECT_LT(Clock::now() - before, 1s);
    EXPECT_EQ(receiver.Count(), 1u);  // the interrupted read handed nothing over
}

TEST_F(ControllerTest, VanishedDeviceClosesThePortAndItIsReopenedWhenBack)
{
    Start(kNoDecoder);
    Exchange("before");
    line.HangUp();
    ASSERT_TRUE(Eventually([&] { return !receiver.Fault().reason.empty(); }));
    const std::size_t afterHangUp = receiver.Count();
    std::this_thread::sleep_for(500ms);
    // No stream of empty reports while the device is away.
    EXPECT_EQ(receiver.Count(), afterHangUp);
    EXPECT_LE(afterHangUp, 2u);

    line.Replace();
    ASSERT_TRUE(Eventually([&] { return line.IsHeldOpen(); }));
    line.Line().Write("after");
    ASSERT_TRUE(Eventually([&] {
        const auto handOffs = receiver.HandOffs();
        return !handOffs.empty() && handOffs.back().raw == "after";
    }));
    EXPECT_EQ(receiver.Fault().reason, "");
    // Told once each, in order with the telegrams, whatever the reopenings met meanwhile.
    EXPECT_EQ(ToldInOrder(receiver),
              (std::vector<std::string>{"telegram before", "lost", "reconnecting", "back", "telegram after"}));
}

TEST_F(ControllerTest, UnpluggedLineGivesNoTelegramNoRowAndNoCount)
{
    const auto [csvPath, rawPath, headerLines] = StartLoggingHpr418F("unplugged");
    const std::string before = hpr418F->Next();
    Exchange(before);

    const std::string lostDevice = line.Line().SlavePath();
    line.HangUp();
    ASSERT_TRUE(Eventually([&] { return receiver.Fault().lost; }));
    std::this_thread::sleep_for(500ms);
    // The failed read is no telegram: nothing handed over, logged or counted.
    EXPECT_EQ(receiver.Count(), 1u);
    EXPECT_EQ(LineCount(ReadWholeFile(csvPath)), headerLines + 1);
    // The loss is what the user is told, through the failed reopenings.
    const CToldFault fault = receiver.Fault();
    EXPECT_TRUE(fault.lost);
    EXPECT_EQ(fault.reason, "Input/output error");
    EXPECT_EQ(fault.portName, line.PortName());
    EXPECT_EQ(fault.linePath, lostDevice);

    line.Replace();
    ASSERT_TRUE(Eventually([&] { return line.IsHeldOpen(); }));
    const std::string after = hpr418F->Next();
    const CHandOff next = Exchange(after);
    EXPECT_EQ(next.raw, after);
    EXPECT_NE(next.text.find("Telegram number : 2\n"), std::string::npos) << next.text;
    for (const CHandOff& handOff : receiver.HandOffs()) {
        EXPECT_EQ(handOff.text.find("TIMED OUT"), std::string::npos) << handOff.text;
        EXPECT_GT(handOff.index.receiveTime, 0.0);
    }
    EXPECT_EQ(ReadWholeFile(rawPath), before + after);
    EXPECT_EQ(LineCount(ReadWholeFile(csvPath)), headerLines + 2);
    EXPECT_FALSE(receiver.Fault().lost);
    EXPECT_EQ(receiver.Fault().reason, "");
}

TEST_F(ControllerTest, GetCommSettingsGivesUpWhileAPassHoldsTheController)
{
    Start(kNoDecoder);
    controller->SetCommSettings(line.PortName(), kConfig, 5);
    Exchange("wake up");
    std::this_thread::sleep_for(200ms);
    std::string portName = "unchanged", configString = "unchanged";
    int timeout = -1;
    const auto before = Clock::now();
    EXPECT_FALSE(controller->GetCommSettings(portName, configString, timeout));
    const auto waited = Clock::now() - before;
    EXPECT_GE(waited, 90ms);
    EXPECT_LT(waited, 1s);
    EXPECT_EQ(portName, "unchanged");
    EXPECT_EQ(configString, "unchanged");
    EXPECT_EQ(timeout, -1);
}

TEST_F(ControllerTest, PortThatCannotBeOpenedIsRetriedSilentlyWithItsReasonKept)
{
    store.WriteInt("Telegram", kNoDecoder);
    store.WriteString("Port", "COM" + std::to_string(nextTestPort));
    CPortMap::SetOverride(nextTestPort++, logDir.File("no-such-device"));
    controller = std::make_unique<CTelegramDecoder>(&receiver, &store);
    ASSERT_TRUE(Eventually([&] { return receiver.Fault().reason == "No such file or directory"; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(receiver.Count(), 0u);
    EXPECT_EQ(receiver.Order(), std::vector<std::string>{"refused"});

    // Another port: the refusal of the old one holds no more, before anything of the new one.
    controller->SetCommSettings(line.PortName(), kConfig, 2);
    EXPECT_EQ(receiver.Order(), (std::vector<std::string>{"refused", "replaced"}));
    EXPECT_EQ(receiver.Fault().reason, "");
    ASSERT_TRUE(Eventually([&] { return line.IsHeldOpen(); }));
    Exchange("heard");
    EXPECT_EQ(ToldInOrder(receiver), (std::vector<std::string>{"refused", "replaced", "telegram heard"}));
}

TEST_F(ControllerTest, LogWriteFailureStopsLoggingAndIsReported)
{
    Start(kTypeHpr418F);
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    ASSERT_TRUE(controller->SetLogging(true, logDir.File("full.csv")).Ok());
    {
        const CFileSizeLimit full(1);  // the disk fills up
        line.Line().Write(generator->Next());
        ASSERT_TRUE(receiver.WaitForLogError());
        EXPECT_EQ(receiver.LogErrors().front(), "File too large");
        EXPECT_TRUE(Eventually([&] { return !controller->IsLogging(); }));
    }

    // Once there is room again, logging starts afresh and failures are seen
    // again; the telegrams go on being numbered where they were.
    const std::string csvPath = logDir.File("room.csv");
    ASSERT_TRUE(controller->SetLogging(true, csvPath).Ok());
    const std::size_t before = receiver.Count();
    SendLogged(generator->Next(), logDir.File("room.raw"));
    ASSERT_TRUE(receiver.WaitFor(before + 1));
    const std::string text = receiver.HandOffs().back().text;
    const std::size_t number = text.find("Telegram number : ");
    ASSERT_NE(number, std::string::npos) << text;
    EXPECT_GE(std::stoi(text.substr(number + 18)), 2) << text;
    EXPECT_TRUE(controller->IsLogging());
    EXPECT_EQ(receiver.LogErrors().size(), 1u);
}

// Closing the logs synchronises them a last time, and the disk may fail
// then: switching logging off, changing the type and ending the controller
// each tell it.
TEST_F(ControllerTest, LogFailuresFoundAsTheLogsCloseAreTold)
{
    Start(kTypeHpr418F, OnFailingDisk());
    const auto toldErrors = [this](std::size_t count) {
        return Eventually([&] { return receiver.LogErrors().size() == count; });
    };
    ASSERT_TRUE(controller->SetLogging(true, logDir.File("off.csv")).Ok());
    failing = true;
    controller->SetLogging(false, "");
    ASSERT_TRUE(toldErrors(1));
    EXPECT_EQ(receiver.LogErrors().back(), "Input/output error");

    failing = false;
    ASSERT_TRUE(controller->SetLogging(true, logDir.File("type.csv")).Ok());
    failing = true;
    controller->SelectTelegramType(kTypeHpr309);
    ASSERT_TRUE(toldErrors(2));
    EXPECT_FALSE(controller->IsLogging());

    failing = false;
    ASSERT_TRUE(controller->SetLogging(true, logDir.File("end.csv")).Ok());
    failing = true;
    controller.reset();
    EXPECT_EQ(receiver.LogErrors().size(), 3u);
}

TEST_F(ControllerTest, LogWriteFailureInTheLastPassIsTold)
{
    Start(kTypeHpr418F);
    ASSERT_TRUE(controller->SetLogging(true, logDir.File("last.csv")).Ok());
    {
        const CFileSizeLimit full(1);  // the disk fills up
        // A telegram arrives byte by byte as the controller ends: the read
        // that has begun runs to its end and its bytes are logged.
        CTrickle telegram(line.Line().MasterFd(), 40, 10ms);
        std::this_thread::sleep_for(150ms);
        controller.reset();
    }
    EXPECT_EQ(receiver.LogErrors(), std::vector<std::string>{"File too large"});
}

} // namespace
