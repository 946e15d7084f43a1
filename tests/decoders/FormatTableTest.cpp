#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

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
    for (int code : {5, 7, 8, 15, -1, 1000}) {
        EXPECT_EQ(CFormatTable::TypeName(code), nullptr);
        EXPECT_EQ(CFormatTable::Create(code), nullptr);
        EXPECT_EQ(CFormatTable::Find(code), nullptr);
        EXPECT_EQ(CTelegramGenerator::Create(code), nullptr);
    }
    for (const char* key : {"", "HPR418F", "hpr418", "hpr418f_fuzz", "6"})
        EXPECT_EQ(CFormatTable::FindByKey(key), nullptr) << key;
}

TEST(FormatTable, CodesNamesAndKeysAreUniqueAndEveryFormatHasADecoder)
{
    std::set<int> codes;
    std::set<std::string> names, keys;
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        EXPECT_TRUE(codes.insert(format.code).second) << format.code;
        EXPECT_TRUE(names.insert(format.name).second) << format.name;
        EXPECT_TRUE(keys.insert(format.key).second) << format.key;
        ASSERT_NE(format.makeDecoder, nullptr) << format.name;
        EXPECT_NE(format.makeDecoder(), nullptr) << format.name;
        EXPECT_EQ(CFormatTable::Find(format.code), &format);
        EXPECT_EQ(CFormatTable::FindByKey(format.key), &format);
    }
    EXPECT_NE(CFormatTable::Find(kDefaultTelegramType), nullptr);
}

TEST(FormatTable, CodeListNamesEveryFormatInTheOrderOfItsCode)
{
    const std::string list = CFormatTable::CodeList();
    EXPECT_EQ(list.rfind("0 HPR 309, 1 HPR 418D, 2 ZAQ ASCII, 3 HPR 418 BCD, 4 NMEA SSB/LBP", 0), 0u) << list;
    std::vector<const CFormatEntry*> byCode;
    for (const CFormatEntry& format : CFormatTable::Formats())
        byCode.push_back(&format);
    std::sort(byCode.begin(), byCode.end(), [](auto* a, auto* b) { return a->code < b->code; });
    std::size_t from = 0;
    for (const CFormatEntry* format : byCode) {
        const std::size_t at = list.find(std::to_string(format->code) + " " + format->name, from);
        ASSERT_NE(at, std::string::npos) << format->name << " not after the formats of lower codes: " << list;
        from = at + 1;
    }
}

// The keys the build makes fuzz targets of are the keys of the table.
TEST(FormatTable, TheBuildsListOfKeysIsTheTablesKeys)
{
    std::istringstream listed(VANTREL_FORMAT_KEYS);
    std::vector<std::string> buildKeys{std::istream_iterator<std::string>(listed), {}};
    std::vector<std::string> tableKeys;
    for (const CFormatEntry& format : CFormatTable::Formats())
        tableKeys.push_back(format.key);
    std::sort(buildKeys.begin(), buildKeys.end());
    std::sort(tableKeys.begin(), tableKeys.end());
    EXPECT_EQ(buildKeys, tableKeys);
}

// The simulator, the demo line, the tests and the benchmarks can play
// every format, and what they play passes the format's own checks; each
// message kind a generator names for the benchmarks is one it sends.
TEST(FormatTable, EveryFormatHasAGeneratorOfGoodTelegrams)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        ASSERT_NE(format.makeGenerator, nullptr);
        auto generator = format.makeGenerator();
        ASSERT_NE(generator, nullptr);
        auto decoder = format.makeDecoder();
        std::vector<std::string> typeTexts;
        for (int i = 0; i < 20; ++i) {
            const std::string telegram = generator->Next();
            EXPECT_LE(telegram.size(), 256u);
            EXPECT_EQ(decoder->Validate(CByteView(telegram)), kStatusOk) << "telegram " << i;
            const CDecodeResult result = DecodeTelegram(*decoder, telegram);
            EXPECT_EQ(result.text.find("ERROR"), std::string::npos) << result.text;
            typeTexts.push_back(decoder->TakeRecord().typeText);
        }
        const std::vector<CGeneratedKind> kinds = generator->MessageKinds();
        ASSERT_FALSE(kinds.empty());
        std::set<std::string> names, kindTypeTexts;
        for (const CGeneratedKind& kind : kinds) {
            EXPECT_TRUE(names.insert(kind.name).second) << kind.name;
            ASSERT_LT(kind.telegramsBefore, typeTexts.size()) << kind.name;
            kindTypeTexts.insert(typeTexts[kind.telegramsBefore]);
        }
        EXPECT_EQ(kindTypeTexts.size(), kinds.size()) << "two kinds name telegrams of the same type";
    }
}

// Every format has a fuzz target named by its key, which starts from seeds
// that the format's decoder takes as good telegrams.
TEST(FormatTable, EveryFormatHasSeedsForItsFuzzTarget)
{
    const fs::path fuzz = fs::path(VANTREL_SOURCE_DIR) / "fuzz";
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const fs::path corpus = fuzz / "corpus" / (std::string(format.key) + "_fuzz");
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
