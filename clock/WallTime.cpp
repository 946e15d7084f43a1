#include "clock/WallTime.h"

#include <charconv>
#include <cstdio>
#include <ctime>

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, int& month, int& day)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    year = yearOfEra + era * 400 + (month <= 2);
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    if (value % divisor < 0)
        --quotient;
    return quotient;
}

// Reads exactly `digits` decimal digits at text[at]; advances at.
bool Digits(std::string_view text, std::size_t& at, std::size_t digits, int& value)
{
    if (at + digits > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += digits;
    return true;
}

bool Expect(std::string_view text, std::size_t& at, char c)
{
    if (at >= text.size() || text[at] != c)
        return false;
    ++at;
    return true;
}

} // namespace

SYSTEMTIME CWallTime::LocalTime() const
{
    const std::int64_t localMs = utcMilliseconds + std::int64_t{utcOffsetMinutes} * 60'000;
    const std::int64_t days = FloorDiv(localMs, kMsPerDay);
    const std::int64_t msOfDay = localMs - days * kMsPerDay;
    std::int64_t year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    SYSTEMTIME time;
    time.wYear = static_cast<std::uint16_t>(year);
    time.wMonth = static_cast<std::uint16_t>(month);
    time.wDay = static_cast<std::uint16_t>(day);
    time.wDayOfWeek = static_cast<std::uint16_t>(FloorDiv(days + 4, 7) * -7 + days + 4);  // 1970-01-01 was a Thursday
    time.wHour = static_cast<std::uint16_t>(msOfDay / 3'600'000);
    time.wMinute = static_cast<std::uint16_t>(msOfDay / 60'000 % 60);
    time.wSecond = static_cast<std::uint16_t>(msOfDay / 1000 % 60);
    time.wMilliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
    return time;
}

double CWallTime::SecondsOfDay() const
{
    const std::int64_t localMs = utcMilliseconds + std::int64_t{utcOffsetMinutes} * 60'000;
    return static_cast<double>(localMs - FloorDiv(localMs, kMsPerDay) * kMsPerDay) / 1000.0;
}

std::string CWallTime::IsoText() const
{
    const SYSTEMTIME local = LocalTime();
    const int offset = utcOffsetMinutes < 0 ? -utcOffsetMinutes : utcOffsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", local.wYear, local.wMonth,
                  local.wDay, local.wHour, local.wMinute, local.wSecond, local.wMilliseconds,
                  utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::optional<CWallTime> CWallTime::FromIsoText(std::string_view text)
{
    std::size_t at = 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
    if (!Digits(text, at, 4, year) || !Expect(text, at, '-') || !Digits(text, at, 2, month) ||
        !Expect(text, at, '-') || !Digits(text, at, 2, day) || !Expect(text, at, 'T') ||
        !Digits(text, at, 2, hour) || !Expect(text, at, ':') || !Digits(text, at, 2, minute) ||
        !Expect(text, at, ':') || !Digits(text, at, 2, second))
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        ++at;
        // Milliseconds: the first three digits, any further ones dropped.
        int digits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            if (digits < 3)
                millis = millis * 10 + (text[at] - '0');
            ++digits;
            ++at;
        }
        if (digits == 0)
            return std::nullopt;
        for (; digits < 3; ++digits)
            millis *= 10;
    }
    int offsetMinutes = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else {
        if (at >= text.size() || (text[at] != '+' && text[at] != '-'))
            return std::nullopt;
        const int sign = text[at++] == '-' ? -1 : 1;
        int offsetHours = 0, offsetMins = 0;
        if (!Digits(text, at, 2, offsetHours) || !Expect(text, at, ':') || !Digits(text, at, 2, offsetMins) ||
            offsetHours > 23 || offsetMins > 59)
            return std::nullopt;
        offsetMinutes = sign * (offsetHours * 60 + offsetMins);
    }
    if (at != text.size() || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60)
        return std::nullopt;
    const std::int64_t localMs = DaysFromCivil(year, month, day) * kMsPerDay +
                                 ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millis;
    return CWallTime{localMs - std::int64_t{offsetMinutes} * 60'000, offsetMinutes};
}

CWallTime CWallTime::InLocalZone(std::int64_t utcMs)
{
    const std::time_t seconds = static_cast<std::time_t>(FloorDiv(utcMs, 1000));
    std::tm local{};
    int offsetMinutes = 0;
    if (localtime_r(&seconds, &local) != nullptr)
        offsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
    return CWallTime{utcMs, offsetMinutes};
}

std::optional<CWallTime> CWallTime::FromLocal(int year, int month, int day, int hour, int minute, int second,
                                              int milliseconds)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    if (seconds == static_cast<std::time_t>(-1) && local.tm_year != 69)
        return std::nullopt;
    return InLocalZone(std::int64_t{seconds} * 1000 + milliseconds);
}
