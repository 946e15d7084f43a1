// The communication settings: which port number and frame a stored port
// name and configuration string give, and what reaches the store.
#include <gtest/gtest.h>

#include "acquisition/CommSettings.h"
#include "acquisition/MemorySettingsStore.h"
#include "acquisition/SerialPort.h"

namespace {

TEST(CommSettingsTest, PortNumberComesFromWhatRemainsWithoutCom)
{
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"COM12", 12}, {"COM1", 1},  {"COM", 1},   {"", 1},       {"PORT3", 0},   {"com4", 0},
        {"COM 7", 7},  {"COM-2", -2}, {"COMCOM5", 5}, {"COM3x", 3}, {"COM99999999999", 2147483647},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommSettings::PortNumberFor(c.name), c.number) << c.name;
}

TEST(CommSettingsTest, FrameComesFromTheConfigurationString)
{
    const struct {
        const char* config;
        unsigned baud;
        int dataBits;
        int parity;
        int stopBits;
    } cases[] = {
        {"Config(115200,8,N,1)", 115200, 8, CSerialPort::kParityNone, CSerialPort::kStopBitsOne},
        {"Config(2400,7,O,2)", 2400, 7, CSerialPort::kParityOdd, CSerialPort::kStopBitsTwo},
        {"", 9600, 7, CSerialPort::kParityOdd, CSerialPort::kStopBitsTwo},
        {"Config(57600,8,N,2)", 57600, 7, CSerialPort::kParityOdd, CSerialPort::kStopBitsTwo},
        {"fast", 9600, 7, CSerialPort::kParityOdd, CSerialPort::kStopBitsTwo},
        {"2400 then 19200,8,N,1", 19200, 8, CSerialPort::kParityNone, CSerialPort::kStopBitsOne},
    };
    for (const auto& c : cases) {
        const CSerialFrame frame = CommSettings::FrameFor(c.config);
        EXPECT_EQ(frame.baudRate, c.baud) << c.config;
        EXPECT_EQ(frame.dataBits, c.dataBits) << c.config;
        EXPECT_EQ(frame.parity, c.parity) << c.config;
        EXPECT_EQ(frame.stopBits, c.stopBits) << c.config;
    }
}

TEST(CommSettingsTest, StoredValuesOfTheirFormAreUsedAndOthersGiveWayToTheDefaultWithAWord)
{
    {
        CMemorySettingsStore nothing;
        const CommSettings defaults(&nothing);
        EXPECT_EQ(defaults.GetPortName(), "COM1");
        EXPECT_EQ(defaults.GetConfig(), "Config(9600,8,N,1)");
        EXPECT_EQ(defaults.GetReceiveTimeout(), 2);
        EXPECT_EQ(defaults.GetFraming(), CFraming::BySilence);  // settings from before the framing existed
        EXPECT_TRUE(defaults.StoredValueFaults().empty());  // nothing stored is no fault
    }
    // A value of another form than the dialog writes is told and read as
    // the line always read it: the frame found in its text, the port its
    // digits name.
    const struct {
        const char* name;
        const char* stored;
        const char* told;  // what the line makes of it; "" when it is of the dialog's form
    } cases[] = {
        {"Config", "Config(4800,7,O,2)", ""},
        {"Config", "Config(115200,8,N,1)", ""},
        {"Config", "", "9600 baud 7-O-2"},
        {"Config", "garbage", "9600 baud 7-O-2"},
        {"Config", "Config(1e9,8,N,1)", "9600 baud 8-N-1"},
        {"Config", "Config(-1,8,N,1)", "9600 baud 8-N-1"},
        {"Config", "Config(57600,8,N,2)", "57600 baud 7-O-2"},
        {"Config", "Config(1200,8,N,1)", "9600 baud 8-N-1"},
        {"Port", "COM12", ""},
        {"Port", "", "COM1"},
        {"Port", "PORT3", "COM0, which names no port"},
        {"Port", "COM0", "COM0, which names no port"},
        {"Port", "COM 7", "COM7"},
    };
    for (const auto& c : cases) {
        CMemorySettingsStore store;
        store.WriteString(c.name, c.stored);
        const CommSettings settings(&store);
        EXPECT_EQ(std::string(c.name) == "Port" ? settings.GetPortName() : settings.GetConfig(), c.stored);
        const std::vector<std::string>& faults = settings.StoredValueFaults();
        if (std::string(c.told).empty()) {
            EXPECT_TRUE(faults.empty()) << c.stored;
            continue;
        }
        ASSERT_EQ(faults.size(), 1u) << c.stored;
        EXPECT_EQ(faults[0].find(std::string("the stored ") + c.name + " \"" + c.stored + "\" is not "), 0u)
            << faults[0];
        EXPECT_NE(faults[0].find(std::string("; it is read as ") + c.told), std::string::npos) << faults[0];
    }

    CMemorySettingsStore store;
    std::string fault;
    store.WriteString("Telegram", "99999999999");
    EXPECT_EQ(CommSettings::StoredTelegramType(store, &fault), 6);
    EXPECT_EQ(fault, "the stored Telegram \"99999999999\" is not a telegram type code; it is read as type 6");
    fault.clear();
    store.WriteInt("Telegram", 3);
    EXPECT_EQ(CommSettings::StoredTelegramType(store, &fault), 3);
    EXPECT_EQ(fault, "");

    // Only "content" frames by content; anything else stored reads as silence.
    for (const auto& [text, framing] : {std::pair{"content", CFraming::ByContent}, {"silence", CFraming::BySilence},
                                        {"Content", CFraming::BySilence}, {"", CFraming::BySilence}}) {
        store.WriteString("Framing", text);
        EXPECT_EQ(CommSettings(&store).GetFraming(), framing) << text;
    }
}

TEST(CommSettingsTest, StringsAreStoredAtOnceAndTheTimeoutNever)
{
    CMemorySettingsStore store;
    CommSettings settings(&store);
    settings.SetPortName("COM5");
    settings.SetConfig("Config(38400,8,N,1)");
    settings.SetReceiveTimeout(20);
    settings.SetFraming(CFraming::ByContent);

    CMemorySettingsStore copy(&store);
    EXPECT_EQ(CommSettings(&copy).GetFraming(), CFraming::ByContent);
    std::string text;
    ASSERT_TRUE(copy.ReadString("Port", text));
    EXPECT_EQ(text, "COM5");
    ASSERT_TRUE(copy.ReadString("Config", text));
    EXPECT_EQ(text, "Config(38400,8,N,1)");
    EXPECT_EQ(CommSettings(&copy).GetReceiveTimeout(), 2);
}

TEST(MemorySettingsStoreTest, StartsFromTheSeedAndNeverWritesIntoIt)
{
    CMemorySettingsStore seed;
    seed.WriteInt("Telegram", 3);
    seed.WriteString("Port", "COM4");
    CMemorySettingsStore run(&seed);
    std::int32_t type = 0;
    std::string text;
    ASSERT_TRUE(run.ReadInt("Telegram", type));
    EXPECT_EQ(type, 3);
    EXPECT_FALSE(run.ReadString("Config", text));
    EXPECT_EQ(text, "");

    run.WriteInt("Telegram", 0);
    run.WriteString("Port", "COM9");
    ASSERT_TRUE(seed.ReadInt("Telegram", type));
    EXPECT_EQ(type, 3);
    ASSERT_TRUE(seed.ReadString("Port", text));
    EXPECT_EQ(text, "COM4");
}

} // namespace
