#include "models/TelegramStatistics.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "decoders/CsvCell.h"
#include "report/ReceivedText.h"

namespace {

// An index text that is a whole number: its sign and its digits without
// leading zeros, so that numbers of any length compare by value.
struct CNumberText {
    bool negative = false;
    std::string_view digits;
};

std::optional<CNumberText> NumberOf(std::string_view text)
{
    CNumberText number;
    if (!text.empty() && text.front() == '-') {
        number.negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    text.remove_prefix(std::min(text.find_first_not_of('0'), text.size()));
    number.digits = text;
    number.negative = number.negative && !text.empty();  // -0 is 0
    return number;
}

// Below zero, equal or above zero as a is smaller than, as large as or larger than b.
int Compare(const CNumberText& a, const CNumberText& b)
{
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    const int bySize = a.digits.size() < b.digits.size() ? -1 : (a.digits.size() > b.digits.size() ? 1 : 0);
    const int byDigits = a.digits.compare(b.digits);
    const int order = bySize != 0 ? bySize : (byDigits > 0) - (byDigits < 0);
    return a.negative ? -order : order;
}

// One cell of a table line: received text cleaned as on a terminal; with a
// separator other than a tab, a cell of CSV as CCsvCell writes it (quoted
// when it holds the separator or a quote, kept from running as a formula).
std::string Cell(const std::string& text, char separator)
{
    const std::string cell = TerminalCell(text);
    return separator == '\t' ? cell : CCsvCell::Text(cell, separator);
}

std::string Seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// The count a read adds to: that of its verdict, or of its status when
// that failed.
std::uint64_t& CountOf(CStatisticsRow& row, const CTelegramRecord& record)
{
    switch (record.Verdict().GetKind()) {
    case CTelegramVerdict::Kind::Good: return row.ok;
    case CTelegramVerdict::Kind::ChecksumMismatch: return row.checksumMismatches;
    case CTelegramVerdict::Kind::LengthMismatch: return row.lengthMismatches;
    case CTelegramVerdict::Kind::StatusFailed: break;
    }
    switch (record.status) {
    case kStatusEarlyEot: return row.earlyEot;
    case kStatusTimedOut: return row.timedOut;
    case kStatusChecksumError: return row.checksumErrors;
    case kStatusOk:
    case kStatusBadData: break;
    }
    return row.badData;
}

void AppendLine(std::string& table, const std::vector<std::string>& cells, char separator)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            table += separator;
        table += cells[i];
    }
    table += '\n';
}

} // namespace

double CStatisticsRow::MeanIntervalSeconds() const
{
    const std::uint64_t intervals = arrivals < 2 ? 0 : arrivals - 1 - intervalsAcrossClose;
    return intervals == 0 ? 0.0 : (lastTime - firstTime - msAcrossClose) * 0.001 / static_cast<double>(intervals);
}

std::optional<double> CStatisticsRow::AgeSeconds(double now) const
{
    if (arrivals == 0)
        return std::nullopt;
    return std::max(0.0, (now - lastTime) * 0.001);
}

double CStatisticsRow::Rate() const
{
    const double mean = MeanIntervalSeconds();
    return mean > 0.0 ? 1.0 / mean : 0.0;
}

std::string CStatisticsRow::KindText() const
{
    switch (rowKind) {
    case Kind::OtherIndexes: return "other indexes";
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

bool CIndexOrder::operator()(const std::pair<int, std::string>& a, const std::pair<int, std::string>& b) const
{
    if (a.first != b.first)
        return a.first < b.first;
    const std::optional<CNumberText> numberA = NumberOf(a.second);
    const std::optional<CNumberText> numberB = NumberOf(b.second);
    if (numberA.has_value() != numberB.has_value())
        return numberA.has_value();
    if (numberA) {
        const int order = Compare(*numberA, *numberB);
        if (order != 0)
            return order < 0;
    }
    // Texts, and numbers written alike ("7" and "07"), by their bytes.
    return a.second < b.second;
}

void CTelegramStatistics::Count(CStatisticsRow& row, double receiveTime, const CTelegramRecord& record)
{
    ++row.telegrams;
    ++CountOf(row, record);
    if (record.status == kStatusTimedOut)
        return;  // the line was silent: nothing arrived
    if (row.arrivals == 0) {
        row.firstTime = receiveTime;
    } else if (row.nextAcrossClose) {
        ++row.intervalsAcrossClose;
        row.msAcrossClose += receiveTime - row.lastTime;
    } else {
        row.longestIntervalMs = std::max(row.longestIntervalMs, receiveTime - row.lastTime);
    }
    row.nextAcrossClose = false;
    row.lastTime = receiveTime;
    ++row.arrivals;
}

CStatisticsRow& CTelegramStatistics::RowOf(const CTelegramIndex& index)
{
    if (!index.valid)
        return withoutIndex;
    std::pair<int, std::string> key{index.kind, index.text};
    if (const auto found = indexes.find(key); found != indexes.end())
        return found->second;
    if (indexes.size() >= kMaxIndexes)
        return otherIndexes;
    CStatisticsRow& row = indexes[std::move(key)];
    row.kind = index.kind;
    row.text = index.text;
    return row;
}

void CTelegramStatistics::Add(const CTelegramIndex& index, const CTelegramRecord& record)
{
    Count(RowOf(index), index.receiveTime, record);
    Count(total, index.receiveTime, record);
}

std::string CTelegramStatistics::IndexCapText()
{
    return "More than " + std::to_string(kMaxIndexes) +
           " indexes: the telegrams of the later ones are counted together as other indexes";
}

void CTelegramStatistics::SkipIntervalsAcrossClose()
{
    for (auto& [key, row] : indexes)
        row.nextAcrossClose = true;
    otherIndexes.nextAcrossClose = true;
    withoutIndex.nextAcrossClose = true;
    total.nextAcrossClose = true;
}

void CTelegramStatistics::Reset()
{
    *this = CTelegramStatistics();
}

std::vector<CStatisticsRow> CTelegramStatistics::Rows() const
{
    std::vector<CStatisticsRow> rows;
    rows.reserve(indexes.size() + 3);
    for (const auto& [key, row] : indexes)
        rows.push_back(row);
    if (IndexesPastCap())
        rows.push_back(otherIndexes);
    // Always shown, so that "no failed read" reads as a row of zeros.
    rows.push_back(withoutIndex);
    rows.push_back(total);
    return rows;
}

std::string CTelegramStatistics::Table(double now, char separator) const
{
    std::string table;
    AppendLine(table,
               {"kind", "index", "telegrams", "ok", "bad data", "early eot", "timed out", "checksum errors",
                "checksum mismatches", "length mismatches", "mean interval s", "max interval s", "last age s"},
               separator);
    for (const CStatisticsRow& row : Rows()) {
        std::vector<std::string> cells{row.KindText(), Cell(row.IndexText(), separator)};
        for (const std::uint64_t count : {row.telegrams, row.ok, row.badData, row.earlyEot, row.timedOut,
                                          row.checksumErrors, row.checksumMismatches, row.lengthMismatches})
            cells.push_back(std::to_string(count));
        const std::optional<double> age = row.AgeSeconds(now);
        cells.push_back(Seconds(row.MeanIntervalSeconds()));
        cells.push_back(Seconds(row.MaxIntervalSeconds()));
        cells.push_back(age ? Seconds(*age) : std::string());
        AppendLine(table, cells, separator);
    }
    return table;
}
