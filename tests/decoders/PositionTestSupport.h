#pragma once
// Comparing the position a decoder records with the one a test expects,
// for tables of telegrams with and without a position.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "decoders/TelegramRecord.h"
#include "tests/decoders/DecoderTestSupport.h"

struct CExpectedPosition {
    CPositionFrame frame;
    double x, y, z;  // metres
    bool valid = true;
};

// The record holds the decimals the telegram stands for, exactly: values
// that went through a scale factor are rounded to the micrometre, so that
// they print without binary noise.
inline void ExpectPosition(const std::optional<CTelegramPosition>& actual,
                           const std::optional<CExpectedPosition>& expected)
{
    ASSERT_EQ(actual.has_value(), expected.has_value())
        << (actual ? "a position in the frame " + std::string(FrameName(actual->frame)) : "no position");
    if (!expected)
        return;
    EXPECT_STREQ(FrameName(actual->frame), FrameName(expected->frame));
    EXPECT_EQ(actual->x, expected->x);
    EXPECT_EQ(actual->y, expected->y);
    EXPECT_EQ(actual->z, expected->z);
    EXPECT_EQ(actual->valid, expected->valid);
}

// The record's checks, each true, false or none.
inline void ExpectChecks(const CTelegramRecord& record, std::optional<bool> checksum, std::optional<bool> length)
{
    EXPECT_EQ(record.checksumAgrees, checksum);
    EXPECT_EQ(record.lengthAgrees, length);
}

// What the records of a format's generated telegrams hold: how many were
// decoded with both checks agreeing, the frames of their positions, and
// the distinct fixes (x, y) of each index (kind and text).
struct CGeneratedRecords {
    int agreeing = 0;
    int positions = 0;
    std::set<std::string> frames;
    std::map<std::string, std::set<std::pair<double, double>>> fixes;
};

inline CGeneratedRecords GeneratedRecords(int typeCode, int count)
{
    CGeneratedRecords seen;
    auto generator = CTelegramGenerator::Create(typeCode);
    auto decoder = CFormatTable::Create(typeCode);
    for (int i = 0; i < count; ++i) {
        const CDecodeResult result = DecodeTelegram(*decoder, generator->Next());
        const CTelegramRecord record = decoder->TakeRecord();
        seen.agreeing += record.checksumAgrees == true && record.lengthAgrees == true;
        if (record.position) {
            ++seen.positions;
            seen.frames.insert(FrameName(record.position->frame));
            seen.fixes[std::to_string(result.index.kind) + ":" + result.index.text].insert({record.position->x, record.position->y});
        }
    }
    return seen;
}

// Every index moves: more than one fix each.
inline void ExpectEveryIndexMoves(const CGeneratedRecords& seen, std::size_t indexes)
{
    EXPECT_EQ(seen.fixes.size(), indexes);
    for (const auto& [index, fixes] : seen.fixes)
        EXPECT_GT(fixes.size(), 1u) << "index " << index;
}
