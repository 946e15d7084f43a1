#pragma once
// Helpers for the tests of the fixed-length binary formats, whose CSV row
// follows the report: single report lines, and the rows of a logged run.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"

using CByteChanges = std::initializer_list<std::pair<std::size_t, int>>;

// The telegram with the bytes at some offsets replaced.
inline std::string WithBytes(std::string telegram, CByteChanges changes)
{
    for (const auto& [offset, value] : changes)
        telegram.at(offset) = static_cast<char>(value);
    return telegram;
}

// The report line that starts with label.
inline std::string LineOf(const std::string& text, const std::string& label)
{
    for (const std::string& line : SplitLines(text))
        if (line.rfind(label, 0) == 0)
            return line;
    return "(no line " + label + ")";
}

// Column number column (from 0) of a CSV row.
inline std::string CsvColumn(const std::string& row, int column)
{
    std::size_t start = 0;
    for (int i = 0; i < column; ++i) {
        const std::size_t comma = row.find(',', start);
        if (comma == std::string::npos)
            return "(no column)";
        start = comma + 1;
    }
    return row.substr(start, row.find(',', start) - start);
}

// Decodes the telegrams 1.5 s apart with the CSV log open; the log's lines.
inline std::vector<std::string> LoggedLines(CFormatDecoder& decoder, const std::vector<std::string>& telegrams)
{
    CTempDir dir;
    decoder.OpenLogs(dir.File("log.csv"));
    double receiveTime = 5000.0;
    for (const std::string& telegram : telegrams) {
        DecodeTelegram(decoder, telegram, receiveTime);
        receiveTime += 1500.0;
    }
    decoder.CloseLogs();
    return SplitLines(ReadWholeFile(dir.File("log.csv")));
}

// The Count column of the rows of telegrams 255 and 256, as "255 0".
inline std::string CountColumnsOf255And256(CFormatDecoder& decoder, const std::string& telegram)
{
    const std::vector<std::string> lines = LoggedLines(decoder, std::vector<std::string>(256, telegram));
    if (lines.size() < 2)
        return "(no rows)";
    return CsvColumn(lines[lines.size() - 2], 2) + " " + CsvColumn(lines.back(), 2);
}

// The row of the second of two telegrams, from the Tdiff column on (the
// time of day is the clock's), logged by a fresh decoder.
template <class Decoder>
std::string SecondRowFromTdiff(const std::string& first, const std::string& second)
{
    Decoder decoder;
    const std::vector<std::string> lines = LoggedLines(decoder, {first, second});
    return lines.empty() ? "(no rows)" : lines.back().substr(lines.back().find(',') + 1);
}

// Decodes count telegrams of the format's generator, after checking that
// each has the format's length and validates as OK.
inline std::vector<CDecodeResult> DecodeGenerated(int typeCode, int count, std::size_t length)
{
    std::vector<CDecodeResult> results;
    auto generator = CTelegramGenerator::Create(typeCode);
    auto decoder = CFormatTable::Create(typeCode);
    if (!generator || !decoder) {
        ADD_FAILURE() << "no generator or decoder for type " << typeCode;
        return results;
    }
    for (int i = 0; i < count; ++i) {
        const std::string telegram = generator->Next();
        EXPECT_EQ(telegram.size(), length) << "telegram " << i;
        EXPECT_EQ(CFormatTable::Create(typeCode)->Validate(CByteView(telegram)), kStatusOk) << "telegram " << i;
        results.push_back(DecodeTelegram(*decoder, telegram));
    }
    return results;
}
