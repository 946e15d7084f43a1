#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How an NMEA SSB/LBP sentence is put together, for the decoder that reads
// it and the generator that writes it:
//
//   $PSIMSSB,field,field,...,field*hh<CR><LF>
//
// The address ('$', maker's code, sentence type), the fields each after a
// comma, optionally '*' and the checksum as two hex digits, then CR LF.
namespace NmeaLayout {

inline constexpr char kStart = '$';
inline constexpr char kSeparator = ',';
inline constexpr char kChecksumMark = '*';
inline constexpr std::string_view kLineEnd = "\r\n";
inline constexpr std::size_t kChecksumDigits = 2;

// The two kinds of sentence. Their addresses differ in the sixth character,
// and that character alone tells them apart: 'S' is SSB, anything else LBP.
inline constexpr std::string_view kSsbAddress = "$PSIMSSB";
inline constexpr std::string_view kLbpAddress = "$PSIMLBP";
inline constexpr std::size_t kAddressLength = kSsbAddress.size();
inline constexpr std::size_t kKindLetterAt = 5;
inline constexpr char kSsbKindLetter = kSsbAddress[kKindLetterAt];
static_assert(kSsbAddress.front() == kStart && kLbpAddress.front() == kStart);
static_assert(kLbpAddress.size() == kAddressLength && kLbpAddress[kKindLetterAt] != kSsbKindLetter);

// The XOR of every byte between the leading '$' and the first '*' (or the
// end of the text when there is none).
constexpr std::uint8_t Checksum(std::string_view sentence)
{
    const std::size_t end = std::min(sentence.find(kChecksumMark), sentence.size());
    std::uint8_t checksum = 0;
    for (std::size_t i = 1; i < end; ++i)
        checksum ^= static_cast<std::uint8_t>(sentence[i]);
    return checksum;
}

// A checksum as the sender writes it after '*': two upper-case hex digits.
inline std::string ChecksumText(std::uint8_t checksum)
{
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    return {kHexDigits[checksum >> 4], kHexDigits[checksum & 0x0F]};
}

} // namespace NmeaLayout
