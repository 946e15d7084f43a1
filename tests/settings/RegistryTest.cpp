// The per-user settings store, on a real settings file in a temporary
// XDG_CONFIG_HOME: what reads fail, what survives on disk, and what a
// hand-edited file gives back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/Registry.h"
#include "tests/support/TestConfigHome.h"

namespace {

// Every test gets a product of its own, so no file is shared between tests.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        product = "VantrelTest" + std::to_string(++counter);
        keyPath = std::string("Software\\Quorvane International Ltd\\") + product;
    }

    std::string FilePath() const { return TestCompanyFolder() + "/" + product + ".conf"; }

    std::string FileText() const
    {
        std::ifstream in(FilePath());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void WriteFile(const std::string& text) const
    {
        std::filesystem::create_directories(TestCompanyFolder());
        std::ofstream(FilePath()) << text;
    }

    // As the document opens its store.
    bool OpenStore(CRegistry& store) const { return store.Create(keyPath) && store.Open(keyPath); }

    std::string product;
    std::string keyPath;
};

TEST_F(RegistryTest, FirstStartCreatesTheKeyAndFindsNoValues)
{
    CRegistry store;
    EXPECT_FALSE(store.Open(keyPath));  // nothing to open yet
    EXPECT_FALSE(store.IsOpen());
    ASSERT_TRUE(OpenStore(store));
    EXPECT_TRUE(std::filesystem::is_regular_file(FilePath()));

    std::int32_t telegram = 99;
    std::string port = "stale";
    EXPECT_FALSE(store.ReadInt("Telegram", telegram));
    EXPECT_EQ(telegram, 0);
    EXPECT_FALSE(store.ReadString("Port", port));
    EXPECT_TRUE(port.empty());
}

TEST_F(RegistryTest, ValuesSurviveOnDiskAfterEveryWrite)
{
    {
        CRegistry store;
        ASSERT_TRUE(OpenStore(store));
        EXPECT_TRUE(store.WriteInt("Telegram", 6));
        EXPECT_NE(FileText().find("Telegram=6"), std::string::npos);
        EXPECT_TRUE(store.WriteString("Config", "Config(115200,7,O,2)"));
        EXPECT_NE(FileText().find("Config(115200,7,O,2)"), std::string::npos);
        EXPECT_TRUE(store.WriteString("Port", ""));
        EXPECT_TRUE(store.WriteInt("Extreme", -2147483647 - 1));
    }
    CRegistry reopened;
    ASSERT_TRUE(OpenStore(reopened));
    std::int32_t number = 0;
    EXPECT_TRUE(reopened.ReadInt("Telegram", number));
    EXPECT_EQ(number, 6);
    EXPECT_TRUE(reopened.ReadInt("Extreme", number));
    EXPECT_EQ(number, -2147483647 - 1);

    std::string text = "COM1";
    EXPECT_TRUE(reopened.ReadString("Port", text));  // empty, yet read
    EXPECT_EQ(text, "");
    EXPECT_TRUE(reopened.ReadString("Config", text));
    EXPECT_EQ(text, "Config(115200,7,O,2)");
}

TEST_F(RegistryTest, StringsLongerThan255BytesFailToRead)
{
    CRegistry store;
    ASSERT_TRUE(OpenStore(store));
    const std::string longest(255, 'c');
    ASSERT_TRUE(store.WriteString("Config", longest));
    std::string text;
    EXPECT_TRUE(store.ReadString("Config", text));
    EXPECT_EQ(text, longest);

    for (std::size_t length : {256u, 300u}) {
        ASSERT_TRUE(store.WriteString("Config", std::string(length, 'c')));
        text = "Config(9600,8,N,1)";
        EXPECT_FALSE(store.ReadString("Config", text)) << length;
        EXPECT_TRUE(text.empty()) << length;
        EXPECT_TRUE(store.Contains("Config")) << length;
    }
}

TEST_F(RegistryTest, HandEditedValues)
{
    WriteFile("[General]\n"
              "Telegram=4294967295\n"
              "TooBig=4294967296\n"
              "Fraction=6.5\n"
              "Word=six\n"
              "Blank=\n"
              "Config=Config(9600,8,N,1)\n"
              "Port=COM12\n");
    CRegistry store;
    ASSERT_TRUE(OpenStore(store));

    std::int32_t number = 7;
    EXPECT_TRUE(store.ReadInt("Telegram", number));
    EXPECT_EQ(number, -1);  // the 32 bits as they stand
    for (const char* name : {"TooBig", "Fraction", "Word", "Blank", "Config"}) {
        number = 7;
        EXPECT_FALSE(store.ReadInt(name, number)) << name;
        EXPECT_EQ(number, 0) << name;
        EXPECT_TRUE(store.Contains(name)) << name;  // there, to be told of, though unreadable
    }
    EXPECT_FALSE(store.Contains("Missing"));

    // Unquoted commas would make a list of the text; it is still the text.
    std::string text;
    EXPECT_TRUE(store.ReadString("Config", text));
    EXPECT_EQ(text, "Config(9600,8,N,1)");
    EXPECT_TRUE(store.ReadString("Port", text));
    EXPECT_EQ(text, "COM12");
}

TEST_F(RegistryTest, ClosedStoreFailsEveryReadAndLosesEveryWrite)
{
    CRegistry never;
    std::int32_t number = 5;
    EXPECT_FALSE(never.ReadInt("Telegram", number));
    EXPECT_EQ(number, 0);
    EXPECT_FALSE(never.WriteInt("Telegram", 3));

    CRegistry store;
    ASSERT_TRUE(OpenStore(store));
    ASSERT_TRUE(store.WriteString("Port", "COM2"));
    store.Close();
    store.Close();
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(store.WriteString("Port", "COM3"));
    std::string text = "x";
    EXPECT_FALSE(store.ReadString("Port", text));
    EXPECT_TRUE(text.empty());
    EXPECT_NE(FileText().find("COM2"), std::string::npos);
    EXPECT_EQ(FileText().find("COM3"), std::string::npos);

    EXPECT_FALSE(store.Create("Vantrel"));  // no company in the path
    EXPECT_FALSE(store.IsOpen());
}

TEST_F(RegistryTest, FailedFlushIsReportedAndTheNextWriteWorksAgain)
{
    CRegistry store;
    ASSERT_TRUE(OpenStore(store));
    ASSERT_TRUE(store.WriteInt("Telegram", 1));

    // The settings file cannot be replaced while a folder stands in its place.
    const std::string aside = FilePath() + ".aside";
    std::filesystem::rename(FilePath(), aside);
    std::filesystem::create_directory(FilePath());
    EXPECT_FALSE(store.WriteInt("Telegram", 2));

    std::filesystem::remove(FilePath());
    std::filesystem::rename(aside, FilePath());
    EXPECT_TRUE(store.WriteInt("Telegram", 4));
    EXPECT_NE(FileText().find("Telegram=4"), std::string::npos);
}

}  // namespace
