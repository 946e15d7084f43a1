#pragma once
// Feeds one fuzz input to a format's framer as a line would, and holds the
// framing to its rules; anything else aborts.
//
//  - The input as it stands, appended in pieces whose sizes the input
//    itself gives, with the brief quiet and the receive timeout coming
//    between them where the input says so: the reads put together are the
//    input, byte for byte, none is empty or longer than the read limit,
//    and none goes on past a telegram whose check holds that it begins
//    with (a read holds one telegram at most).
//  - The line's own telegrams with the input's bytes as noise between
//    them: every telegram comes out whole, one read each, unless a frame
//    that the format's check passes begins within the noise. Right after
//    a telegram, no frame whose check fails may take the next one's place.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decoders/ContentFraming.h"
#include "decoders/FormatTable.h"

inline void FuzzCheck(bool holds)
{
    if (!holds)
        std::abort();
}

// A read taken: not empty, within the limit, and no telegram whose check
// holds begins it and ends before it does, as a framer that knows nothing
// of the line judges it.
inline void FuzzTakeRead(const CFormatEntry& format, const std::optional<std::string>& read, std::string& out)
{
    if (!read)
        return;
    FuzzCheck(!read->empty() && read->size() <= CContentFraming::kReadLimit);
    const CTelegramFramer::CCut cut = format.makeFramer()->Cut(*read, CTelegramFramer::Start::Unknown);
    FuzzCheck(cut.kind != CTelegramFramer::CCut::Kind::Telegram || cut.length == read->size());
    out += *read;
}

inline void FuzzRawLine(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CContentFraming framing(format.makeFramer());
    std::string out;
    for (std::size_t at = 0; at < size;) {
        // The byte at the cut says how many follow it in this piece, and what comes after.
        const std::uint8_t choice = data[at];
        const std::size_t length = 1 + choice % 97;
        framing.Append(input.substr(at, length));
        at += length;
        while (auto read = framing.TakeRead())
            FuzzTakeRead(format, read, out);
        if (choice & 0x40)
            FuzzTakeRead(format, framing.TakeProvisional(), out);
        if ((choice & 0xC0) == 0xC0)
            FuzzTakeRead(format, framing.TakeRest(), out);
    }
    while (framing.Buffered() > 0) {
        const std::optional<std::string> read = framing.TakeRest();
        FuzzCheck(read.has_value());
        FuzzTakeRead(format, read, out);
    }
    FuzzCheck(out == input);
    CContentFraming::CountTelegrams(*format.makeFramer(), input);
}

// A line of the format's telegrams with noise between them.
struct CFuzzNoisyLine {
    std::string stream;
    std::vector<std::string> telegrams;
    std::vector<std::size_t> noiseAt;  // where the noise before each telegram begins
    std::vector<std::size_t> telegramAt;
};

// The input read as pieces of noise, each a byte giving its length and the
// bytes themselves, a telegram of the format after each.
inline CFuzzNoisyLine FuzzNoisyLine(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t kTelegrams = 12;
    const auto generator = format.makeGenerator();
    CFuzzNoisyLine line;
    for (std::size_t at = 0; at < size && line.telegrams.size() < kTelegrams;) {
        const std::size_t noise = std::min<std::size_t>(data[at] % 48, size - at - 1);
        line.noiseAt.push_back(line.stream.size());
        line.stream.append(reinterpret_cast<const char*>(data + at + 1), noise);
        at += 1 + noise;
        line.telegramAt.push_back(line.stream.size());
        line.telegrams.push_back(generator->Next());
        line.stream += line.telegrams.back();
    }
    return line;
}

// Whether a frame that the format's check passes begins within the noise,
// as a framer that knows nothing of the line and expects no telegram
// judges each place of it.
inline bool NoisePassesCheck(const CFormatEntry& format, const CFuzzNoisyLine& line)
{
    using Kind = CTelegramFramer::CCut::Kind;
    const auto framer = format.makeFramer();
    const std::string_view stream = line.stream;
    for (std::size_t t = 0; t < line.telegrams.size(); ++t) {
        for (std::size_t at = line.noiseAt[t]; at < line.telegramAt[t]; ++at) {
            const CTelegramFramer::CCut cut =
                framer->Cut(stream.substr(at, CTelegramFramer::kReadLimit), CTelegramFramer::Start::Unknown);
            if (cut.kind == Kind::Telegram || cut.kind == Kind::Provisional)
                return true;
        }
    }
    return false;
}

inline void FuzzTelegramsAmidNoise(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    const CFuzzNoisyLine line = FuzzNoisyLine(format, data, size);
    if (NoisePassesCheck(format, line))
        return;
    CContentFraming framing(format.makeFramer());
    std::vector<std::size_t> readAt, readLength;
    std::size_t taken = 0;
    auto note = [&](const std::optional<std::string>& read) {
        readAt.push_back(taken);
        readLength.push_back(read->size());
        taken += read->size();
    };
    const std::string_view stream = line.stream;
    for (std::size_t at = 0, piece = 0; at < stream.size(); ++piece) {
        const std::size_t length = 1 + (piece * 37 + size) % 61;
        framing.Append(stream.substr(at, length));
        at += length;
        while (auto read = framing.TakeRead())
            note(read);
    }
    while (auto read = framing.TakeRest())
        note(read);
    FuzzCheck(taken == stream.size());
    std::size_t read = 0;
    for (std::size_t t = 0; t < line.telegramAt.size(); ++t) {
        while (read < readAt.size() && readAt[read] < line.telegramAt[t])
            ++read;
        FuzzCheck(read < readAt.size() && readAt[read] == line.telegramAt[t] &&
                  readLength[read] == line.telegrams[t].size());
    }
}

inline int FuzzFraming(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    FuzzRawLine(format, data, size);
    FuzzTelegramsAmidNoise(format, data, size);
    return 0;
}
