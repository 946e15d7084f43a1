#include "models/PositionTracks.h"

#include <algorithm>
#include <cmath>

bool CPositionTracks::Add(const CTelegramIndex& index, const CTelegramRecord& record)
{
    if (!record.Decoded() || !record.position)
        return false;
    const CTelegramPosition& position = *record.position;
    if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
        return false;
    CPositionTrack& track = TrackFor(index.valid ? index.kind : -1, index.valid ? index.text : std::string(),
                                     position.frame);
    // A fix from a telegram that is not good (its checksum or length
    // disagrees) is drawn as not good, whatever the telegram says of it.
    const bool valid = position.valid && record.Verdict().Good();
    track.fixes.push_back({position.x, position.y, position.z, index.receiveTime, valid});
    while (track.fixes.size() > trailLength)
        track.fixes.pop_front();
    latestFrame = position.frame;
    ++revision;
    return true;
}

CPositionTrack& CPositionTracks::TrackFor(int kind, const std::string& text, CPositionFrame frame)
{
    const auto found = std::find_if(tracks.begin(), tracks.end(), [&](const CPositionTrack& track) {
        return track.kind == kind && track.frame == frame && track.text == text;
    });
    if (found != tracks.end())
        return *found;
    if (tracks.size() >= kMaxTracks)
        DropLongestSilent();
    const std::size_t slot = ColourSlotFor(kind, text);
    tracks.push_back(CPositionTrack{kind, text, frame, {}, slot});
    return tracks.back();
}

std::size_t CPositionTracks::ColourSlotFor(int kind, const std::string& text)
{
    for (const CPositionTrack& track : tracks) {
        if (track.kind == kind && track.text == text)
            return track.colourSlot;
    }
    return nextColourSlot++;
}

void CPositionTracks::DropLongestSilent()
{
    const auto silent = std::min_element(tracks.begin(), tracks.end(), [](const auto& a, const auto& b) {
        const double aLast = a.fixes.empty() ? -INFINITY : a.fixes.back().receiveTime;
        const double bLast = b.fixes.empty() ? -INFINITY : b.fixes.back().receiveTime;
        return aLast < bLast;
    });
    if (silent != tracks.end())
        tracks.erase(silent);
}

void CPositionTracks::Clear()
{
    tracks.clear();
    nextColourSlot = 0;
    latestFrame.reset();
    ++revision;
}

void CPositionTracks::SetTrailLength(std::size_t length)
{
    trailLength = std::clamp<std::size_t>(length, 1, kMaxTrailLength);
    for (CPositionTrack& track : tracks) {
        while (track.fixes.size() > trailLength)
            track.fixes.pop_front();
    }
    ++revision;
}

std::vector<CPositionFrame> CPositionTracks::Frames() const
{
    std::vector<CPositionFrame> frames;
    for (const CPositionFrame frame :
         {CPositionFrame::Vessel, CPositionFrame::North, CPositionFrame::Grid, CPositionFrame::Unspecified}) {
        const bool present = std::any_of(tracks.begin(), tracks.end(),
                                         [frame](const CPositionTrack& track) { return track.frame == frame; });
        if (present)
            frames.push_back(frame);
    }
    return frames;
}
