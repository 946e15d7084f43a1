#pragma once
// A decoder with its CSV log open on a real file, for tests that look at
// the report and the CSV row of the same telegram.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/decoders/DecoderTestSupport.h"

// The report lines from the (nth) one that starts with label on, count of them.
inline std::vector<std::string> LinesFrom(const std::string& text, const std::string& label, std::size_t count = 1,
                                          int nth = 0)
{
    const std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(label, 0) == 0 && nth-- == 0)
            return {lines.begin() + i, lines.begin() + std::min(lines.size(), i + count)};
    return {"(no line " + label + ")"};
}

inline std::string LineOf(const std::string& text, const std::string& label, int nth = 0)
{
    return LinesFrom(text, label, 1, nth).front();
}

// The index record and the report's index text of a decoded telegram.
inline void ExpectIndex(const CDecodeResult& result, int kind, const std::string& text,
                        const std::string& indexText)
{
    EXPECT_TRUE(result.index.valid);
    EXPECT_EQ(result.index.kind, kind);
    EXPECT_EQ(result.index.text, text);
    EXPECT_EQ(result.indexText, indexText);
}

// The record of one telegram decoded by a fresh decoder.
template <class TDecoder>
CTelegramRecord DecodedRecord(const std::string& telegram)
{
    TDecoder decoder;
    DecodeTelegram(decoder, telegram);
    return decoder.TakeRecord();
}

// The number in the raw column of the record's field line with this
// interpretation (the blanks that set it off aside), read after `skip`
// characters and apart from the decoder; NaN and a failure when no line
// has that interpretation.
inline double NumberOnLine(const CTelegramRecord& record, const std::string& interpretation, std::size_t skip = 0)
{
    for (const CTelegramField& field : record.fields) {
        const std::size_t text = std::min(field.text.find_first_not_of(' '), field.text.size());
        if (field.text.compare(text, std::string::npos, interpretation) == 0)
            return std::stod(std::string(field.raw.substr(std::min(skip, field.raw.size()))));
    }
    ADD_FAILURE() << "no field line " << interpretation;
    return std::nan("");
}

struct CLoggedDecode {
    CDecodeResult result;
    std::string row;  // the telegram's CSV row from the Tdiff column on
};

class CLoggedDecoder {
public:
    explicit CLoggedDecoder(CFormatDecoder& formatDecoder) : decoder(formatDecoder)
    {
        decoder.OpenLogs(dir.File("log.csv"));
    }

    // Every telegram is received at the same time, so Tdiff is always 0.00.
    CLoggedDecode Decode(const std::string& telegram)
    {
        CLoggedDecode logged;
        logged.result = DecodeTelegram(decoder, telegram, 1000.0);
        const std::vector<std::string> lines = CsvLines();
        if (!lines.empty())
            logged.row = lines.back().substr(lines.back().find(',') + 1);
        return logged;
    }

    std::vector<std::string> CsvLines() const { return SplitLines(ReadWholeFile(dir.File("log.csv"))); }

private:
    CTempDir dir;
    CFormatDecoder& decoder;
};
