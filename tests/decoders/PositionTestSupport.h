#pragma once
// Comparing the position a decoder records with the one a test expects,
// for tables of telegrams with and without a position.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "decoders/TelegramRecord.h"

struct CExpectedPosition {
    CPositionFrame frame;
    double x, y, z;  // metres
};

// Values that went through a scale factor are compared to a micrometre.
inline void ExpectPosition(const std::optional<CTelegramPosition>& actual,
                           const std::optional<CExpectedPosition>& expected)
{
    ASSERT_EQ(actual.has_value(), expected.has_value())
        << (actual ? "a position in the frame " + std::string(FrameName(actual->frame)) : "no position");
    if (!expected)
        return;
    EXPECT_STREQ(FrameName(actual->frame), FrameName(expected->frame));
    EXPECT_NEAR(actual->x, expected->x, 1e-6);
    EXPECT_NEAR(actual->y, expected->y, 1e-6);
    EXPECT_NEAR(actual->z, expected->z, 1e-6);
}

// The record's checks, each true, false or none.
inline void ExpectChecks(const CTelegramRecord& record, std::optional<bool> checksum, std::optional<bool> length)
{
    EXPECT_EQ(record.checksumAgrees, checksum);
    EXPECT_EQ(record.lengthAgrees, length);
}
