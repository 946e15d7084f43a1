#pragma once
#include <string_view>

// How a ZAQ ASCII telegram is put together, for the decoder that reads it
// and the generator that writes it: date and time, then numbers each behind
// a tag (a letter directly followed by ':'), blanks between them, then CR LF
// (LF CR is read as well). ZaqAsciiDecoder.h shows a whole telegram.
namespace ZaqAsciiLayout {

inline constexpr char kTagMark = ':';
inline constexpr char kFieldSeparator = ' ';
inline constexpr std::string_view kLineEnd = "\r\n";

// The beacon (transponder) index; kShipBeacon is the ship's own position.
inline constexpr char kBeaconTag = 'B';
inline constexpr int kShipBeacon = 0;
// The position: beacon X, Y and depth, or the ship's eastings, northings
// and depth.
inline constexpr char kXTag = 'X';
inline constexpr char kYTag = 'Y';
inline constexpr char kDepthTag = 'D';
// The ship's attitude, in both kinds of telegram.
inline constexpr char kPitchTag = 'P';
inline constexpr char kRollTag = 'R';
inline constexpr char kHeadingTag = 'H';
// The riser angles a beacon telegram may carry.
inline constexpr char kRiserPitchTag = 'A';
inline constexpr char kRiserRollTag = 'C';
// The error status; anything but kNoError marks simulated or faulty data.
inline constexpr char kErrorTag = 'E';
inline constexpr int kNoError = 0;

} // namespace ZaqAsciiLayout
