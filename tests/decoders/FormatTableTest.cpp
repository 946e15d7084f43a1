#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "decoders/FormatTable.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FormatTable, TypeNamesAndCodesWithoutDecoder)
{
    EXPECT_STREQ(CFormatTable::TypeName(0), "HPR 309");
    EXPECT_STREQ(CFormatTable::TypeName(1), "HPR 418D");
    EXPECT_STREQ(CFormatTable::TypeName(2), "ZAQ ASCII");
    EXPECT_STREQ(CFormatTable::TypeName(3), "HPR 418 BCD");
    EXPECT_STREQ(CFormatTable::TypeName(4), "NMEA SSB/LBP");
    EXPECT_STREQ(CFormatTable::TypeName(6), "HPR 418F");
    for (int code : {5, 7, -1, 1000}) {
        EXPECT_EQ(CFormatTable::TypeName(code), nullptr);
        EXPECT_EQ(CFormatTable::Create(code), nullptr);
        EXPECT_EQ(CFormatTable::Find(code), nullptr);
    }
}

TEST(FormatTable, CodesNamesAndKeysAreUniqueAndEveryFormatHasADecoder)
{
    std::set<int> codes;
    std::set<std::string> names, keys;
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        EXPECT_TRUE(codes.insert(format.code).second) << format.code;
        EXPECT_TRUE(names.insert(format.name).second) << format.name;
        EXPECT_TRUE(keys.insert(format.key).second) << format.key;
        EXPECT_NE(format.makeDecoder(), nullptr) << format.name;
        EXPECT_EQ(CFormatTable::Find(format.code), &format);
    }
    EXPECT_EQ(codes.size(), 6u);
    EXPECT_NE(CFormatTable::Find(kDefaultTelegramType), nullptr);
}

TEST(FormatTable, CodeListNamesEveryFormatInTheOrderOfItsCode)
{
    EXPECT_EQ(CFormatTable::CodeList(),
              "0 HPR 309, 1 HPR 418D, 2 ZAQ ASCII, 3 HPR 418 BCD, 4 NMEA SSB/LBP, 6 HPR 418F");
}

// Every format has a fuzz target named by its key, which starts from seeds
// that the format's decoder takes as good telegrams.
TEST(FormatTable, EveryFormatHasAFuzzTargetWithGoodSeeds)
{
    const fs::path fuzz = fs::path(VANTREL_SOURCE_DIR) / "fuzz";
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const std::string target = std::string(format.key) + "_fuzz";
        EXPECT_TRUE(fs::exists(fuzz / (target + ".cpp")));
        const fs::path corpus = fuzz / "corpus" / target;
        ASSERT_TRUE(fs::is_directory(corpus));
        int seeds = 0;
        for (const auto& seed : fs::directory_iterator(corpus)) {
            const std::string telegram = ReadFile(seed.path());
            EXPECT_LE(telegram.size(), 256u) << seed.path();
            EXPECT_EQ(format.makeDecoder()->Validate(CByteView(telegram)), kStatusOk) << seed.path();
            ++seeds;
        }
        EXPECT_GT(seeds, 0);
    }
}

// A format is line-based when each of its telegrams is one line of text
// ending in a line end: a network line then cuts datagrams at line ends, so
// a binary format, whose bytes may hold a line feed anywhere, must not be.
TEST(FormatTable, LineBasedFormatsAreThoseWhoseTelegramsAreOneLineEach)
{
    const fs::path corpus = fs::path(VANTREL_SOURCE_DIR) / "fuzz" / "corpus";
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        bool everySeedOneLine = true;
        for (const auto& seed : fs::directory_iterator(corpus / (std::string(format.key) + "_fuzz"))) {
            const std::string telegram = ReadFile(seed.path());
            const std::string end = telegram.size() >= 2 ? telegram.substr(telegram.size() - 2) : "";
            const bool oneLine = (end == "\r\n" || end == "\n\r") &&
                                 std::count(telegram.begin(), telegram.end(), '\n') == 1;
            everySeedOneLine = everySeedOneLine && oneLine;
        }
        EXPECT_EQ(format.lineBased, everySeedOneLine);
        EXPECT_EQ(CFormatTable::IsLineBased(format.code), format.lineBased);
    }
    EXPECT_FALSE(CFormatTable::IsLineBased(5));
}

} // namespace
