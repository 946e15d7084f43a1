#include "models/TelegramStatistics.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

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
// separator other than a tab, quoted as in CSV when it holds the separator
// or a quote.
std::string Cell(const std::string& text, char separator)
{
    const std::string cell = TerminalCell(text);
    if (separator == '\t' || (cell.find(separator) == std::string::npos && cell.find('"') == std::string::npos))
        return cell;
    std::string quoted = "\"";
    for (const char c : cell) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string Seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
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
    switch (record.status) {
    case kStatusOk: ++row.ok; break;
    case kStatusBadData: ++row.badData; break;
    case kStatusEarlyEot: ++row.earlyEot; break;
    case kStatusTimedOut: ++row.timedOut; break;
    case kStatusChecksumError: ++row.checksumErrors; break;
    }
    if (record.status == kStatusOk && record.checksumAgrees == false)
        ++row.checksumMismatches;
    if (record.lengthAgrees == false)
        ++row.lengthMismatches;
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

void CTelegramStatistics::SkipIntervalsAcrossClose()
{
    for (auto& [key, row] : indexes)
        row.nextAcrossClose = true;
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
