#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "models/TelegramStatistics.h"

namespace {

CTelegramIndex Index(int kind, const std::string& text, double time)
{
    CTelegramIndex index;
    index.SetIndex(kind, text);
    index.receiveTime = time;
    return index;
}

CTelegramIndex NoIndex(double time)
{
    CTelegramIndex index;
    index.receiveTime = time;
    return index;
}

CTelegramRecord Record(TelegramStatus status, std::optional<bool> checksum = true, std::optional<bool> length = true)
{
    CTelegramRecord record;
    record.status = status;
    if (status == kStatusOk) {
        record.checksumAgrees = checksum;
        record.lengthAgrees = length;
    }
    return record;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> cells;
    std::stringstream stream(text);
    for (std::string cell; std::getline(stream, cell, separator);)
        cells.push_back(cell);
    return cells;
}

// Every read counts in exactly one column of its verdict.
void ExpectEveryReadInOneColumn(const std::vector<CStatisticsRow>& rows)
{
    for (const CStatisticsRow& row : rows)
        EXPECT_EQ(row.ok + row.badData + row.earlyEot + row.timedOut + row.checksumErrors + row.checksumMismatches +
                      row.lengthMismatches,
                  row.telegrams)
            << row.KindText() << " " << row.IndexText();
}

// A scripted line: two transponders, the vessel, failed and empty reads.
class TelegramStatisticsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        statistics.Add(Index(1, "12", 1000), Record(kStatusOk));
        statistics.Add(NoIndex(1500), Record(kStatusTimedOut));
        statistics.Add(Index(1, "12", 2000), Record(kStatusOk, false));        // checksum disagrees
        statistics.Add(Index(1, "7", 2500), Record(kStatusOk, true, false));   // length disagrees
        statistics.Add(NoIndex(3000), Record(kStatusBadData));
        statistics.Add(NoIndex(3500), Record(kStatusChecksumError));
        statistics.Add(Index(1, "12", 5000), Record(kStatusOk, std::nullopt, std::nullopt));
        statistics.Add(NoIndex(5500), Record(kStatusEarlyEot));
        statistics.Add(Index(0, "Ship", 6000), Record(kStatusOk));
    }

    CTelegramStatistics statistics;
};

TEST_F(TelegramStatisticsTest, EachIndexHasItsRowThenTheReadsWithoutOneThenTheTotal)
{
    const std::vector<CStatisticsRow> rows = statistics.Rows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].KindText() + " " + rows[0].IndexText(), "0 Ship");
    EXPECT_EQ(rows[1].KindText() + " " + rows[1].IndexText(), "1 7");
    EXPECT_EQ(rows[2].KindText() + " " + rows[2].IndexText(), "1 12");
    EXPECT_EQ(rows[3].KindText(), "none");
    EXPECT_EQ(rows[4].KindText(), "total");

    const CStatisticsRow& twelve = rows[2];
    EXPECT_EQ(twelve.telegrams, 3u);
    EXPECT_EQ(twelve.ok, 2u) << "one received OK, but its checksum disagrees: not good";
    EXPECT_EQ(twelve.checksumMismatches, 1u);
    EXPECT_EQ(twelve.lengthMismatches, 0u);
    EXPECT_DOUBLE_EQ(twelve.MeanIntervalSeconds(), 2.0);  // 1 s, then 3 s
    EXPECT_DOUBLE_EQ(twelve.MaxIntervalSeconds(), 3.0);
    EXPECT_EQ(twelve.AgeSeconds(7000), 2.0);
    EXPECT_EQ(rows[1].lengthMismatches, 1u);
    EXPECT_EQ(rows[1].ok, 0u);
    EXPECT_DOUBLE_EQ(rows[1].MeanIntervalSeconds(), 0.0);  // one telegram has no interval

    const CStatisticsRow& none = rows[3];
    EXPECT_EQ(none.telegrams, 4u);
    EXPECT_EQ(none.ok, 0u);
    EXPECT_EQ(none.badData, 1u);
    EXPECT_EQ(none.checksumErrors, 1u);
    EXPECT_EQ(none.earlyEot, 1u);
    EXPECT_EQ(none.timedOut, 1u);
    // The empty read at 1.5 s brought nothing: the times are those of 3, 3.5 and 5.5 s.
    EXPECT_DOUBLE_EQ(none.MeanIntervalSeconds(), 1.25);
    EXPECT_EQ(none.AgeSeconds(7000), 1.5);

    const CStatisticsRow& total = rows[4];
    EXPECT_EQ(total.telegrams, 9u);
    EXPECT_EQ(total.ok, 3u);
    EXPECT_EQ(total.checksumMismatches, 1u);
    EXPECT_EQ(total.lengthMismatches, 1u);
    EXPECT_DOUBLE_EQ(total.MeanIntervalSeconds(), 5.0 / 7.0);
    EXPECT_DOUBLE_EQ(total.Rate(), 7.0 / 5.0);
    EXPECT_DOUBLE_EQ(total.MaxIntervalSeconds(), 1.5);

    ExpectEveryReadInOneColumn(rows);
}

// A garbled index field that changes with every telegram costs no more
// rows than the cap: the later indexes share one row, known ones keep
// theirs, and the totals still add up.
TEST(TelegramStatistics, IndexesPastTheCapCountInOneRowOfOtherIndexes)
{
    constexpr int kIndexes = static_cast<int>(CTelegramStatistics::kMaxIndexes) + 500;
    CTelegramStatistics statistics;
    for (int i = 0; i < kIndexes; ++i)
        statistics.Add(Index(1, "garbled " + std::to_string(i), 1000.0 + i), Record(kStatusOk, i % 2 == 0));
    EXPECT_FALSE(CTelegramStatistics().IndexesPastCap());
    EXPECT_TRUE(statistics.IndexesPastCap());
    statistics.Add(Index(1, "garbled 3", 9000), Record(kStatusOk));  // a known index keeps its row
    statistics.Add(NoIndex(9500), Record(kStatusTimedOut));

    const std::vector<CStatisticsRow> rows = statistics.Rows();
    ASSERT_EQ(rows.size(), CTelegramStatistics::kMaxIndexes + 3);
    const CStatisticsRow& other = rows[rows.size() - 3];
    EXPECT_EQ(other.KindText(), "other indexes");
    EXPECT_EQ(other.telegrams, 500u);
    EXPECT_EQ(other.ok + other.checksumMismatches, 500u);
    EXPECT_EQ(rows.back().telegrams, static_cast<std::uint64_t>(kIndexes) + 2);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        sum += rows[i].telegrams;
    EXPECT_EQ(sum, rows.back().telegrams);
    ExpectEveryReadInOneColumn(rows);
    EXPECT_NE(statistics.Table(10000, '\t').find("\nother indexes\t\t500\t"), std::string::npos);
    EXPECT_NE(CTelegramStatistics::IndexCapText().find("1000"), std::string::npos);

    statistics.Reset();
    EXPECT_FALSE(statistics.IndexesPastCap());
    EXPECT_EQ(statistics.Rows().size(), 2u);
}

// A silent line counts its empty reads, but its last telegram grows old
// and one that never brought a telegram has no age at all.
TEST(TelegramStatistics, EmptyReadsNeitherMakeTheLineFreshNorATelegramInterval)
{
    CTelegramStatistics statistics;
    statistics.Add(NoIndex(1000), Record(kStatusTimedOut));
    statistics.Add(Index(1, "5", 4000), Record(kStatusOk));
    statistics.Add(NoIndex(9000), Record(kStatusTimedOut));
    const std::vector<std::string> lines = Split(statistics.Table(10000, '\t'), '\n');
    EXPECT_EQ(lines[2], "none\t\t2\t0\t0\t0\t2\t0\t0\t0\t0.000\t0.000\t");
    EXPECT_EQ(lines[3], "total\t\t3\t1\t0\t0\t2\t0\t0\t0\t0.000\t0.000\t6.000");
}

TEST(TelegramStatistics, IndexesSortByKindThenAsNumbersThenAsText)
{
    CTelegramStatistics statistics;
    for (const char* text : {"27", "B01", "103", "5", "12", "-3", "007", "7", "24", "A", "0", "99999999999999999999"})
        statistics.Add(Index(1, text, 1000), Record(kStatusOk));
    statistics.Add(Index(0, "Ship", 1000), Record(kStatusOk));
    std::string order;
    for (const CStatisticsRow& row : statistics.Rows())
        order += row.KindText() + ":" + row.IndexText() + " ";
    EXPECT_EQ(order, "0:Ship 1:-3 1:0 1:5 1:007 1:7 1:12 1:24 1:27 1:103 1:99999999999999999999 1:A 1:B01 "
                     "none: total: ");
}

// Whatever an index field holds, the tab-separated table keeps one line a
// row and its columns, and a terminal shows it as text.
TEST(TelegramStatistics, ReceivedIndexTextsCannotBreakTheTable)
{
    const std::string hostile = std::string("B\t1\r\n\x1b[2J\0\x80\xe9,\"", 14);
    CTelegramStatistics statistics;
    statistics.Add(Index(1, hostile, 1000), Record(kStatusOk));
    const std::vector<std::string> lines = Split(statistics.Table(2000, '\t'), '\n');
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> cells = Split(lines[1], '\t');
    ASSERT_EQ(cells.size(), Split(lines[0], '\t').size());
    EXPECT_EQ(cells[1], "B?1???[2J??\u00e9,\"");
    // Comma-separated, the cell is quoted.
    const std::string quoted = "1,\"B?1???[2J??\u00e9,\"\"\",1,";
    EXPECT_EQ(Split(statistics.Table(2000, ','), '\n')[1].substr(0, quoted.size()), quoted);
    // Comma-separated for a spreadsheet, a formula stays text.
    CTelegramStatistics formula;
    formula.Add(Index(1, "=1+2", 1000), Record(kStatusOk));
    EXPECT_EQ(Split(formula.Table(2000, ','), '\n')[1].substr(0, 11), "1,\"'=1+2\",1");
    EXPECT_EQ(Split(formula.Table(2000, '\t'), '\n')[1].substr(0, 8), "1\t=1+2\t1");
}

TEST_F(TelegramStatisticsTest, TableHasTheHeaderAndOneLineARow)
{
    const std::vector<std::string> lines = Split(statistics.Table(7000, '\t'), '\n');
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "kind\tindex\ttelegrams\tok\tbad data\tearly eot\ttimed out\tchecksum errors\t"
                        "checksum mismatches\tlength mismatches\tmean interval s\tmax interval s\tlast age s");
    EXPECT_EQ(lines[3], "1\t12\t3\t2\t0\t0\t0\t0\t1\t0\t2.000\t3.000\t2.000");
    EXPECT_EQ(lines[4], "none\t\t4\t0\t1\t1\t1\t1\t0\t0\t1.250\t2.000\t1.500");
    EXPECT_EQ(Split(lines[5], '\t')[0], "total");
    EXPECT_EQ(Split(statistics.Table(7000, ',').substr(0, 40), ',')[1], "index");
}

TEST_F(TelegramStatisticsTest, ResetForgetsEverything)
{
    statistics.Reset();
    const std::vector<CStatisticsRow> rows = statistics.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].KindText(), "none");
    EXPECT_EQ(rows[1].KindText(), "total");
    for (const CStatisticsRow& row : rows) {
        EXPECT_EQ(row.telegrams, 0u);
        EXPECT_EQ(row.AgeSeconds(9000), std::nullopt);
    }
    statistics.Add(Index(1, "3", 9000), Record(kStatusOk));
    EXPECT_EQ(statistics.Rows().size(), 3u);
}

} // namespace
