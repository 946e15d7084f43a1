#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decoders/CodeText.h"
#include "decoders/FormatDecoder.h"

// The binary HPR 418 position telegram, in its two variants HPR 418D and
// HPR 418F. Integers are unsigned little-endian, floats IEEE single
// precision little-endian, doubles IEEE double precision little-endian.
//
//   offset 0      1..2          3             4            5 ...           end+0..1  end+2
//   +-------+--------------+--------------+-------------+---------------+---------+------+
//   | start | block_length | message_type | destination | message       | sumcheck| stop |
//   | char  | u16          | 1 SSBL 2 LBL | device      | section       | u16     | 0xAA |
//   +-------+--------------+--------------+-------------+---------------+---------+------+
//
// SSBL message (message_type 1, both variants), offsets 5..62:
//    5 tp_index u16      7 operation_mode     8 sync_mode          9 tp_type
//   10 tp_operation     11 pos_data_form     12 reply_status
//   13 filt_x_pos       17 filt_y_pos        21 filt_z_pos        (float, metres)
//   25 x_pos            29 y_pos             33 z_pos             37 slant_range
//   41 p_course         45 p_roll            49 p_pitch           (float, degrees)
//   53 td_beam          54 td_type           55 td_num u16        57 diagnostic u16
//   59 stand_dev float
//   then by tp_type: 1 depth transponder:  63 tpdr depth float
//                    2, 3 inclinometer:    63 tpdr roll float, 67 tpdr pitch float
//
// LBL message (message_type 2), HPR 418D, offsets 5..50:
//    5 tp_array          6 td_num             7 pos_east           11 pos_north
//   15 depth            19 h_err_el_dir      23 h_err_el_major    27 h_err_el_minor
//   31 z_stand_dev      35 pos_type          36 pos_status
//   37 p_course         41 p_roll            45 p_pitch           49 diagnostic u16
//
// LBL message, HPR 418F, offsets 5..69:
//    5..15 eleven bytes, summed but not decoded
//   16 tp_array         17 td_num            18 pos_east double   26 pos_north double
//   34..69 the bytes of offsets 15..50 of the HPR 418D layout, depth to diagnostic
// It is rebuilt into the HPR 418D layout (each double rounded to the
// nearest float) and decoded, raw columns included, from there.
//
// The sum is the 16-bit sum of every byte from the start character to the
// end of the message section; the trailer follows the section directly.
class CHpr418Decoder : public CFormatDecoder {
public:
    explicit CHpr418Decoder(bool variantF = false);

    // Zero bytes: TIMED OUT; last byte not the stop character: BAD DATA;
    // anything else is decoded, whatever its length or sum.
    TelegramStatus Validate(const CByteView& telegram) override;
    void WriteCsvHeader() override;

    // True for HPR 418F: only the layout of the LBL message differs.
    bool variantF = false;

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override;

private:
    struct CFloatField {
        const char* label;
        std::size_t offset;
        double limit;  // interpreted only while the absolute value is below it
        std::size_t width = 11;                 // of the raw column
        std::size_t interpretationWidth = 0;    // the value right-aligned to it
    };

    // A float field's value where the report reads it (below its limit),
    // none where the report shows it raw only.
    using CReading = std::optional<float>;

    void DecodeHeader(const CByteView& telegram);
    std::size_t DecodeSsbl(const CByteView& telegram, CTelegramIndex& index);
    std::size_t DecodeSsblExtension(const CByteView& telegram, int tpType);
    static std::string ReplyStatusText(int replyStatus, int tpType);
    void RecordSsblPosition(const CByteView& telegram, CReading x, CReading y, CReading z);
    std::size_t DecodeLbl(const CByteView& telegram, CTelegramIndex& index);
    static std::string PosTypeText(int posType);
    void RecordLblPosition(const CByteView& wire, CReading east, CReading north, CReading depth, bool fixGood);
    // Whether the telegram's sumcheck agrees with the calculated sum.
    bool DecodeTrailer(const CByteView& telegram, std::size_t sectionEnd);

    // Field lines with their CSV column: a byte's, a 16-bit word's (with a
    // raw column `width` wide), and a byte's interpreted from a table.
    void ByteLine(const char* label, const CByteView& telegram, std::size_t offset, std::string_view interpretation,
                  const char* csvFormat = "%d,");
    void WordLine(const char* label, const CByteView& telegram, std::size_t offset, std::size_t width,
                  std::string_view interpretation, const char* csvFormat = "%d,");
    template <std::size_t N>
    int CodeLine(const char* label, const CByteView& telegram, std::size_t offset,
                 const CCodeText (&texts)[N]);
    CReading FloatLine(const CFloatField& field, const CByteView& telegram, const char* csvAfter = ",");
    template <std::size_t N>
    std::array<CReading, N> FloatLines(const CFloatField (&fields)[N], const CByteView& telegram);

    // The HPR 418F LBL telegram in the HPR 418D layout, header included.
    static std::string RebuildLblTelegram(const CByteView& telegram);
};
