#include "models/TimingAges.h"

#include <algorithm>

void CTimingAges::Add(const CTelegramIndex& index)
{
    Resume(index.receiveTime);
    if (!index.valid)
        return;
    const auto found = std::find_if(rows.begin(), rows.end(), [&index](const CTimingRow& row) {
        return row.kind == index.kind && row.text == index.text;
    });
    if (found != rows.end()) {
        // Silent for longer than the timeout until this telegram came.
        found->wasStale = found->wasStale || IsOlderThanTimeout(found->receiveTime, index.receiveTime);
        found->receiveTime = index.receiveTime;
        return;
    }
    if (rows.size() < kMaxIndexes)
        rows.push_back({index.kind, index.text, index.receiveTime, false});
}

void CTimingAges::Suspend(double at)
{
    if (!suspendedAt)
        suspendedAt = at;
}

void CTimingAges::Resume(double at)
{
    if (!suspendedAt)
        return;
    const double closedMs = std::max(0.0, at - *suspendedAt);
    suspendedAt.reset();
    for (CTimingRow& row : rows)
        row.receiveTime += closedMs;
}

double CTimingAges::AgesNow(double now) const
{
    return suspendedAt ? std::min(now, *suspendedAt) : now;
}

void CTimingAges::Reset()
{
    rows.clear();
}

void CTimingAges::Restart()
{
    // A port the user keeps closed stays closed.
    const std::optional<double> closedAt = suspendedAt;
    *this = CTimingAges();
    suspendedAt = closedAt;
}

double CTimingAges::AgeSeconds(const CTimingRow& row, double now) const
{
    return (AgesNow(now) - row.receiveTime) * 0.001;
}

bool CTimingAges::IsStale(const CTimingRow& row, double now) const
{
    return row.wasStale || IsOlderThanTimeout(row.receiveTime, AgesNow(now));
}

bool CTimingAges::IsOlderThanTimeout(double receiveTime, double now) const
{
    return (now - receiveTime) * 0.001 > positionTimeout;
}

void CTimingAges::SetPositionTimeout(double seconds, double now)
{
    for (CTimingRow& row : rows)
        row.wasStale = IsStale(row, now);
    positionTimeout = seconds;
}
