#include "acquisition/TelegramStatistics.h"

#include <algorithm>
#include <cstdio>

double CStatisticsRow::MeanIntervalSeconds() const
{
    return telegrams < 2 ? 0.0 : (lastTime - firstTime) * 0.001 / static_cast<double>(telegrams - 1);
}

double CStatisticsRow::AgeSeconds(double now) const
{
    return telegrams == 0 ? 0.0 : std::max(0.0, (now - lastTime) * 0.001);
}

double CStatisticsRow::Rate() const
{
    const double mean = MeanIntervalSeconds();
    return mean > 0.0 ? 1.0 / mean : 0.0;
}

std::string CStatisticsRow::KindText() const
{
    switch (rowKind) {
    case Kind::NoIndex: return "none";
    case Kind::Total: return "total";
    case Kind::Index: break;
    }
    return std::to_string(kind);
}

std::string CStatisticsRow::IndexText() const
{
    return rowKind == Kind::Index ? text : std::string();
}

void CTelegramStatistics::Count(CStatisticsRow& row, double receiveTime, const CTelegramRecord& record)
{
    if (row.telegrams == 0) {
        row.firstTime = receiveTime;
    } else {
        row.longestIntervalMs = std::max(row.longestIntervalMs, receiveTime - row.lastTime);
    }
    row.lastTime = receiveTime;
    ++row.telegrams;
    switch (record.status) {
    case kStatusOk: ++row.ok; break;
    case kStatusBadData: ++row.badData; break;
    case kStatusEarlyEot: ++row.earlyEot; break;
    case kStatusChecksumError: ++row.checksumErrors; break;
    default: break;  // an empty read counts as a telegram only
    }
    if (record.status == kStatusOk && record.checksumAgrees == false)
        ++row.checksumMismatches;
    if (record.lengthAgrees == false)
        ++row.lengthMismatches;
}

void CTelegramStatistics::Add(const CTelegramIndex& index, const CTelegramRecord& record)
{
    if (index.valid) {
        CStatisticsRow& row = indexes[{index.kind, index.text}];
        row.kind = index.kind;
        row.text = index.text;
        Count(row, index.receiveTime, record);
    } else {
        Count(withoutIndex, index.receiveTime, record);
    }
    Count(total, index.receiveTime, record);
}

void CTelegramStatistics::Reset()
{
    *this = CTelegramStatistics();
}

std::vector<CStatisticsRow> CTelegramStatistics::Rows() const
{
    std::vector<CStatisticsRow> rows;
    rows.reserve(indexes.size() + 2);
    for (const auto& [key, row] : indexes)
        rows.push_back(row);
    // Always shown, so that "no failed read" reads as a row of zeros.
    rows.push_back(withoutIndex);
    rows.push_back(total);
    return rows;
}

std::string CTelegramStatistics::Table(double now, char separator) const
{
    const char* const kHeader[] = {"kind", "index", "telegrams", "ok", "bad data", "early eot",
                                   "checksum errors", "checksum mismatches", "length mismatches",
                                   "mean interval s", "max interval s", "last age s"};
    std::string table;
    for (const char* name : kHeader) {
        if (!table.empty())
            table += separator;
        table += name;
    }
    table += '\n';
    for (const CStatisticsRow& row : Rows()) {
        char seconds[96];
        std::snprintf(seconds, sizeof seconds, "%c%.3f%c%.3f%c%.3f\n", separator, row.MeanIntervalSeconds(),
                      separator, row.MaxIntervalSeconds(), separator, row.AgeSeconds(now));
        table += row.KindText() + separator + row.IndexText();
        for (const std::uint64_t count : {row.telegrams, row.ok, row.badData, row.earlyEot, row.checksumErrors,
                                          row.checksumMismatches, row.lengthMismatches})
            table += separator + std::to_string(count);
        table += seconds;
    }
    return table;
}
