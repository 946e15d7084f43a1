#pragma once
// The positions the telegrams gave, as trails: one track per index and
// frame, holding the latest fixes of that index in that frame. What the
// position plot draws; the document fills it with every telegram handed
// over, so the plot shows the trails however late it is opened.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"

struct CTrackFix {
    double x = 0.0;  // metres in the track's frame
    double y = 0.0;
    double z = 0.0;  // depth, positive down
    double receiveTime = 0.0;  // clock milliseconds
    bool valid = true;         // false: the telegram marked the fix as not good, or was not good itself
};

struct CPositionTrack {
    // The index the fixes belong to; kind -1 for telegrams without one.
    int kind = 0;
    std::string text;
    CPositionFrame frame = CPositionFrame::Unspecified;
    std::deque<CTrackFix> fixes;  // oldest first
    // The order in which the index first gave a fix: the same for its
    // tracks in every frame, so an index keeps its colour.
    std::size_t colourSlot = 0;
};

class CPositionTracks {
public:
    static constexpr std::size_t kDefaultTrailLength = 100;
    static constexpr std::size_t kMaxTrailLength = 10000;
    // A line that names ever new indexes costs no more than this many
    // tracks: a new one then replaces the one silent for longest.
    static constexpr std::size_t kMaxTracks = 1000;

    // Keeps the position of a decoded telegram. False, keeping nothing, for
    // a telegram that failed or carries no (finite) position.
    bool Add(const CTelegramIndex& index, const CTelegramRecord& record);
    void Clear();

    // How many fixes a track keeps, 1 to kMaxTrailLength; a shorter trail
    // drops the oldest fixes at once.
    void SetTrailLength(std::size_t length);
    std::size_t TrailLength() const { return trailLength; }

    // In the order of their first fix.
    const std::vector<CPositionTrack>& Tracks() const { return tracks; }
    // The frames that tracks have, in the order of CPositionFrame.
    std::vector<CPositionFrame> Frames() const;
    // The frame of the latest fix; none before the first.
    std::optional<CPositionFrame> LatestFrame() const { return latestFrame; }
    // Changes with every change of the tracks.
    std::uint64_t Revision() const { return revision; }

private:
    CPositionTrack& TrackFor(int kind, const std::string& text, CPositionFrame frame);
    std::size_t ColourSlotFor(int kind, const std::string& text);
    void DropLongestSilent();

    std::vector<CPositionTrack> tracks;
    std::size_t trailLength = kDefaultTrailLength;
    std::size_t nextColourSlot = 0;
    std::optional<CPositionFrame> latestFrame;
    std::uint64_t revision = 0;
};
