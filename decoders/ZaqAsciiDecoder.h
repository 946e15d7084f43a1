#pragma once
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "decoders/AsciiFormatDecoder.h"

// ZAQ ASCII: one line of text per position. Date and time come first, then
// letter-tagged numbers in any order, then CR LF (or LF CR):
//
//   08 Dec 26 14:03:27 B:12 X:  104.6 Y:  -37.2 D:  310.4 P:  1.2 R: -0.4 H: 271.9 E:0<CR><LF>
//   |day mon yr  time | |   |           |           |           pitch   roll    heading |
//                     beacon X          Y           depth                      error status
//
// B is the beacon (transponder) index; B:0 is the ship's own position, and
// X and Y are then its eastings and northings. The reals are read as doubles
// (a float is half a metre coarse at UTM northings). An error status other
// than 0 marks simulated data or an error: the fix is not good. A beacon's X and Y are
// coordinates whose orientation the telegram does not state. A beacon
// telegram may add the riser angles of the beacon, A (pitch) and C (roll).
// A tag is an upper-case letter directly followed by ':'; tags after the
// first CR do not count.
class CZaqAsciiDecoder : public CAsciiFormatDecoder {
public:
    void WriteCsvHeader() override;
    TelegramStatus Validate(const CByteView& telegram) override;

    // One numeric field line: label, tag, and what the number means.
    struct CValueLine {
        const char* label;
        char tag;
        const char* interpretation;
    };
    // The three lines of a position, X, Y and depth, and how X and Y lie.
    struct CPositionLines {
        std::array<CValueLine, 3> lines;
        CPositionFrame frame;
    };

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override;

private:
    struct CDateTime;
    void WriteDateTime(const CDateTime& dateTime);
    void WriteIndexLine(int beaconIndex, CTelegramIndex& index);
    void WriteValues(std::string_view text, std::span<const CValueLine> lines);
    void WritePosition(std::string_view text, const CPositionLines& position, bool fixGood);
    std::optional<double> WriteValue(std::string_view text, const CValueLine& line);
    std::string WriteValueLine(const CValueLine& line, double value);
    void WriteErrorStatus(int errorStatus);
    // A field line whose interpretation three blanks set off from the raw column.
    void WriteField(std::string_view label, std::string_view column, std::string_view interpretation);
    void WriteEndCharacter(const char* ordinal, std::uint8_t code);
};
