// Recorded telegrams of every format beside what they decode to, under
// tests/data/decode/<format key>/:
//   <case>.hex   the telegram, two hex digits a byte; '#' starts a comment
//   <case>.txt   the report as the view shows it, as plain text
//   <case>.rtf   the report's rich-text document, byte for byte
//   <case>.csv   the telegram's CSV row from the Count column on (the time
//                of day and Tdiff are the clock's)
//   <case>.json  the record, as `vantrel-cli decode --json` prints it but
//                without time and raw bytes, the index saying whether its
//                text is the one the display filter examines
//   header.csv   the format's CSV header rows
// A new case is a new .hex file. To write the expected files from what the
// decoders do now, run this test with VANTREL_UPDATE_GOLDEN=1, then read
// every file it changed before committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "decoders/FormatTable.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/decoders/RecordJsonSupport.h"

namespace {

namespace fs = std::filesystem;

bool Updating()
{
    const char* update = std::getenv("VANTREL_UPDATE_GOLDEN");
    return update != nullptr && std::string(update) == "1";
}

std::string TelegramOf(const fs::path& hexFile)
{
    std::ifstream in(hexFile);
    std::string bytes;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string word;
        while (words >> word) {
            char* end = nullptr;
            const long value = std::strtol(word.c_str(), &end, 16);
            EXPECT_TRUE(word.size() == 2 && *end == '\0') << hexFile << ": not a byte: " << word;
            bytes += static_cast<char>(value);
        }
    }
    return bytes;
}

struct CGoldenDecode {
    std::string text;
    std::string document;
    std::string row;
    std::string json;
};

// The first telegram of a fresh decoder with its logs open.
CGoldenDecode DecodeCase(const CFormatEntry& format, const std::string& telegram, const std::string& header)
{
    CTempDir dir;
    auto decoder = CFormatTable::Create(format.code);
    decoder->OpenLogs(dir.File("log.csv"));
    const CDecodeResult result = DecodeTelegram(*decoder, telegram);
    decoder->CloseLogs();
    std::string row = ReadWholeFile(dir.File("log.csv"));
    EXPECT_EQ(row.rfind(header, 0), 0u) << "the log begins with its header rows";
    row.erase(0, header.size());
    for (int column = 0; column < 2; ++column)
        row.erase(0, std::min(row.size(), row.find(',')) + 1);
    return {result.text, result.document, row, RecordJson(format.name, decoder->TakeRecord(), result.index)};
}

void ExpectFile(const fs::path& path, const std::string& made)
{
    if (Updating()) {
        std::ofstream(path, std::ios::binary) << made;
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << path << " is missing: VANTREL_UPDATE_GOLDEN=1 writes it";
    EXPECT_EQ(ReadWholeFile(path), made) << path;
}

std::vector<fs::path> CasesIn(const fs::path& folder)
{
    std::vector<fs::path> cases;
    if (fs::is_directory(folder))
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".hex")
                cases.push_back(entry.path());
    std::sort(cases.begin(), cases.end());
    return cases;
}

TEST(GoldenDecode, EveryRecordedTelegramGivesItsReportRowAndRecord)
{
    const fs::path root = fs::path(VANTREL_SOURCE_DIR) / "tests" / "data" / "decode";
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.key);
        const fs::path folder = root / format.key;
        const std::vector<fs::path> cases = CasesIn(folder);
        ASSERT_GE(cases.size(), 5u) << "too few recorded telegrams in " << folder;
        const std::string header = CsvHeaderOf(*CFormatTable::Create(format.code));
        ExpectFile(folder / "header.csv", header);
        for (const fs::path& hexFile : cases) {
            SCOPED_TRACE(hexFile.filename().string());
            const CGoldenDecode decoded = DecodeCase(format, TelegramOf(hexFile), header);
            fs::path expected = hexFile;
            ExpectFile(expected.replace_extension(".txt"), decoded.text);
            ExpectFile(expected.replace_extension(".rtf"), decoded.document);
            ExpectFile(expected.replace_extension(".csv"), decoded.row);
            ExpectFile(expected.replace_extension(".json"), decoded.json);
        }
    }
    if (Updating())
        GTEST_SKIP() << "golden files written under " << root << ": read them before committing";
}

} // namespace
