#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decoders/AsciiFormatDecoder.h"
#include "decoders/CodeText.h"

// NMEA SSB/LBP: proprietary NMEA 0183 sentences, '$', comma-separated
// fields, optionally '*' and two hex digits of checksum, CR LF.
//
//   $PSIMSSB,143027.50,B01,A,,C,H,M,12.30,-45.60,310.40,0.50,N,,*hh<CR><LF>
//            time      |   | | | | | X     Y      depth  acc  | ||
//                      |   | | | | filter                    add 1st,2nd add field
//                      |   | | | orientation (H ship's head up, N North, E East first)
//                      |   | | coordinate system (C Cartesian, P polar, U UTM)
//                      |   | error code (empty: none)
//                      |   status (A good, V bad)
//                      beacon: frequency letter and number, the telegram's index
//
//   $PSIMLBP,143027.50,1,R2,A,U,6543210.50,432109.80,120.40,0.80,0.60,45.0,0.30*hh<CR><LF>
//            clock     | |  | | X          Y         depth  major minor dir  depth stdev
//                      | |  | coordinates (C, L local; U, E UTM; North or East first)
//                      | |  fix status
//                      | object: V vessel, R ROV number, T beacon number
//                      beacon array
//
// The sixth character tells the two apart: 'S' is an SSB sentence, anything
// else is read as LBP. Separators are recognised by their low 7 bits.
class CNmeaDecoder : public CAsciiFormatDecoder {
public:
    void WriteCsvHeader() override;
    TelegramStatus Validate(const CByteView& telegram) override;

    // The longest sentence table.
    static constexpr std::size_t kMaxFields = 15;
    // The text of every field read so far (empty for one not read yet).
    using CFieldTexts = std::array<std::string_view, kMaxFields>;

    // How one field's line is written. The interpretation is looked up by
    // the first letter of field `key` (and, for a pair, of `secondKey`,
    // the pair's code being key letter * 256 + second letter; an empty field
    // has the letter 0); a letter not listed gives `otherwiseByKey` of the
    // key letter, else `otherwise`.
    struct CFieldRule {
        const char* label;
        const char* otherwise;
        int key = -1;  // -1: the interpretation is always `otherwise`
        int secondKey = -1;
        std::span<const CCodeText> texts = {};
        std::span<const CCodeText> otherwiseByKey = {};
        const char* whenEmpty = nullptr;  // null: an empty field's line is its label alone
        bool showsLastCharacter = false;  // the text holds a %c for the field's last character
    };
    // How X_coordinate and Y_coordinate lie, for one code of the letters
    // their interpretation is looked up by.
    struct CAxes {
        int code;
        CPositionFrame frame;
        bool northFirst;  // X is the north (or northings) coordinate and Y the east
    };
    struct CSentenceRule {
        std::span<const CFieldRule> fields;
        std::size_t indexField;
        int indexKind;
        bool indexTextFiltered;  // the index also goes to the report's index text
        // The position: X_coordinate, Y_coordinate and depth, oriented by the
        // axes of the X field's letters; letters not listed give none.
        std::size_t xField;
        std::size_t yField;
        std::size_t depthField;
        std::span<const CAxes> axes;
        // Whether the sentence's status fields leave the fix good.
        bool (*fixGood)(const CFieldTexts& texts);
    };

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override;

private:
    struct CField;
    void WriteFieldLine(const CFieldRule& rule, const CField& field, const CFieldTexts& texts);
    void SetPositionFrom(const CSentenceRule& sentence, const CFieldTexts& texts);
    static std::string FieldColumn(const CField& field);
    void WriteChecksumLine(const CField& field, std::uint8_t calculated);
    void WriteTerminatorLine(const char* label, const char* ordinal, std::uint8_t code);
    struct CChecksumField;
    void WriteSentenceCsv(const CByteView& telegram, const CChecksumField& checksum);
    void WriteFieldCells(std::string_view fields);
};
