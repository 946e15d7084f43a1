#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "decoders/ContentFraming.h"
#include "decoders/FormatTable.h"
#include "decoders/Hpr309Layout.h"

namespace {

std::vector<std::string> Generated(int code, int count = 6)
{
    const auto generator = CFormatTable::Find(code)->makeGenerator();
    std::vector<std::string> telegrams;
    for (int i = 0; i < count; ++i)
        telegrams.push_back(generator->Next());
    return telegrams;
}

struct CReads {
    std::vector<std::string> complete;  // as the bytes came
    std::vector<std::string> rest;      // once no more came
};

CReads Frame(int code, const std::vector<std::string>& appends)
{
    CContentFraming framing(CFormatTable::CreateFramer(code));
    CReads reads;
    for (const std::string& bytes : appends) {
        framing.Append(bytes);
        while (auto read = framing.TakeRead())
            reads.complete.push_back(*read);
    }
    while (auto read = framing.TakeRest())
        reads.rest.push_back(*read);
    return reads;
}

// A piece of a stream: bytes [from, to) of a generated telegram, some of
// them changed (an offset below 0 counts from its end), or bytes as they stand.
struct CPiece {
    int telegram = -1;
    std::string bytes;
    std::size_t from = 0, to = std::string::npos;
    std::vector<std::pair<int, int>> changes;

    std::string Bytes(const std::vector<std::string>& telegrams) const
    {
        if (telegram < 0)
            return bytes;
        std::string piece = telegrams[telegram];
        for (auto [offset, value] : changes)
            piece[offset < 0 ? piece.size() + offset : offset] = static_cast<char>(value);
        return piece.substr(from, to - from);
    }
};

CPiece T(int telegram) { return {telegram, {}, 0, std::string::npos, {}}; }
CPiece Part(int telegram, std::size_t from, std::size_t to) { return {telegram, {}, from, to, {}}; }
CPiece Changed(int telegram, std::vector<std::pair<int, int>> changes)
{
    return {telegram, {}, 0, std::string::npos, std::move(changes)};
}
CPiece Raw(std::string bytes) { return {-1, std::move(bytes), 0, std::string::npos, {}}; }

struct CFramingCase {
    int code;
    const char* name;
    std::vector<CPiece> stream;
    std::vector<std::vector<int>> reads;  // the pieces each read is made of
    std::vector<std::vector<int>> rest = {};
};

const CFramingCase kCases[] = {
    {kTypeHpr309, "starts within a telegram", {Part(3, 20, 32), T(0), T(1)}, {{0}, {1}, {2}}},
    {kTypeHpr309, "a byte spoiled, the check wrong", {T(0), Changed(1, {{1, 0x3F}}), T(2), T(3)},
     {{0}, {1}, {2}, {3}}},
    {kTypeHpr309, "cut short", {Part(0, 0, 20), T(1), T(2)}, {{0}, {1}, {2}}},
    {kTypeHpr309, "truncated at the end", {T(0), T(1), Part(2, 0, 20)}, {{0}, {1}}, {{2}}},
    {kTypeHpr309, "a noise byte that is the end byte", {T(0), T(1), Raw("\r"), T(2), T(3)}, {{0}, {1}, {2}, {3}, {4}}},
    {kTypeHpr309, "read limit", {Raw(std::string(256, 0)), Raw(std::string(44, 0)), T(0), T(1)},
     {{0}, {1}, {2}, {3}}},

    {kTypeHpr418Bcd, "leading garbage with a start byte", {Raw("\x01\xDF\x02"), T(0), T(1)}, {{0}, {1}, {2}}},
    {kTypeHpr418Bcd, "start byte in data, wrong checksum", {Changed(0, {{12, 0xDF}}), T(1)}, {{0}, {1}}},
    {kTypeHpr418Bcd, "cut short", {Part(0, 0, 20), T(1), T(2)}, {{0}, {1}, {2}}},
    {kTypeHpr418Bcd, "noise, then truncated", {T(0), Raw("\x01\x02"), Part(1, 0, 10)}, {{0}, {1}}, {{2}}},
    {kTypeHpr418Bcd, "read limit", {Raw(std::string(256, 0)), Raw(std::string(44, 0)), T(0)}, {{0}, {1}, {2}}},

    {kTypeHpr418D, "leading garbage", {Raw(std::string("\x13\x37\x00", 3)), T(0), T(1)}, {{0}, {1}, {2}}},
    {kTypeHpr418D, "stop byte in data, wrong sum", {T(0), Changed(1, {{20, 0xAA}}), T(2)}, {{0}, {1}, {2}}},
    {kTypeHpr418D, "stated length too long", {T(0), Changed(1, {{1, 64}}), T(2)}, {{0}, {1}, {2}}},
    // The destination byte takes up what the length gave the sum: framed by its layout.
    {kTypeHpr418D, "LBL stating no length", {T(3), Changed(4, {{1, 0}, {4, 1 + 46}})}, {{0}, {1}}},
    {kTypeHpr418F, "LBL stating no length", {T(3), Changed(4, {{1, 0}, {4, 1 + 65}})}, {{0}, {1}}},
    {kTypeHpr418D, "header stating 248 bytes", {Raw(std::string("\x55\xF0\x00\x01\x01", 5)), T(0), T(1), T(2), T(3)},
     {{0}, {1}, {2}, {3}, {4}}},
    {kTypeHpr418D, "the line ends after a header stating 248 bytes",
     {T(0), Raw(std::string("\x55\xF0\x00\x01\x01", 5)), T(1), T(2)}, {{0}}, {{1}, {2}, {3}}},
    {kTypeHpr418F, "truncated at the end", {T(0), Part(1, 0, 30)}, {{0}}, {{1}}},
    {kTypeHpr418D, "read limit", {Raw(std::string(256, 0)), Raw(std::string(44, 0)), T(0)}, {{0}, {1}, {2}}},

    {kTypeZaqAscii, "leading garbage", {Raw("x1:"), T(0), T(1)}, {{0}, {1}, {2}}},
    {kTypeZaqAscii, "cut short by the next telegram", {Part(0, 0, 30), T(1), T(2)}, {{0}, {1}, {2}}},
    {kTypeZaqAscii, "LF CR line end", {Changed(0, {{-2, '\n'}, {-1, '\r'}}), T(1)}, {{0}, {1}}},
    {kTypeZaqAscii, "LF alone, then a line", {Changed(0, {{-2, ' '}}), T(1)}, {{0}, {1}}},
    {kTypeZaqAscii, "truncated at the end", {T(0), Part(1, 0, 15)}, {{0}}, {{1}}},
    {kTypeZaqAscii, "read limit", {Raw(std::string(256, 'x')), Raw(std::string(44, 'x') + "\r\n"), T(0)},
     {{0}, {1}, {2}}},

    {kTypeNmea, "leading garbage", {Raw("GARBAGE\r\n"), T(0), T(1)}, {{0}, {1}, {2}}},
    {kTypeNmea, "cut short by the next sentence", {Part(0, 0, 20), T(1), T(2)}, {{0}, {1}, {2}}},
    {kTypeNmea, "LF CR line end", {Changed(0, {{-2, '\n'}, {-1, '\r'}}), T(1)}, {{0}, {1}}},
    {kTypeNmea, "noise, then truncated", {T(0), Raw("\r\n"), Part(1, 0, 20)}, {{0}, {1}}, {{2}}},
    {kTypeNmea, "read limit", {Raw("$" + std::string(255, 'A')), Raw(std::string(44, 'A')), T(0)},
     {{0}, {1}, {2}}},
};

std::vector<std::string> Joined(const std::vector<std::string>& pieces, const std::vector<std::vector<int>>& reads)
{
    std::vector<std::string> joined;
    for (const auto& read : reads) {
        joined.emplace_back();
        for (int piece : read)
            joined.back() += pieces[piece];
    }
    return joined;
}

TEST(Framing, CasesOfEachFormat)
{
    for (const CFramingCase& c : kCases) {
        SCOPED_TRACE(std::string(CFormatTable::TypeName(c.code)) + ": " + c.name);
        const std::vector<std::string> telegrams = Generated(c.code);
        std::vector<std::string> pieces;
        std::string stream;
        for (const CPiece& piece : c.stream) {
            pieces.push_back(piece.Bytes(telegrams));
            stream += pieces.back();
        }
        const CReads reads = Frame(c.code, {stream});
        EXPECT_EQ(reads.complete, Joined(pieces, c.reads));
        EXPECT_EQ(reads.rest, Joined(pieces, c.rest));
    }
}

// Generated telegrams back to back, in one piece or split in two at every
// byte: each read is one telegram, as soon as it is whole, and decodes OK.
TEST(Framing, BackToBackTelegramsSplitAnywhere)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const std::vector<std::string> telegrams = Generated(format.code);
        std::string stream;
        for (const std::string& telegram : telegrams)
            stream += telegram;
        const auto decoder = format.makeDecoder();
        for (const std::string& read : Frame(format.code, {stream}).complete)
            EXPECT_EQ(decoder->Validate(CByteView(read)), kStatusOk);
        for (std::size_t split = 0; split <= telegrams[0].size() + telegrams[1].size(); ++split) {
            const CReads reads = Frame(format.code, {stream.substr(0, split), stream.substr(split)});
            ASSERT_EQ(reads.complete, telegrams) << "split at " << split;
            ASSERT_TRUE(reads.rest.empty());
        }
    }
}

// Telegrams whole, cut short or changed, noise, start and end bytes, line
// ends, arriving in pieces of any size, with quiet and timeouts between:
// every byte comes out once, in order, and no read is longer than 256.
TEST(Framing, ReadsPutTogetherAreTheBytesReceived)
{
    const std::string kLikely = std::string("$\r\n\xAA\xDF\xFF\x55", 7);
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const std::vector<std::string> telegrams = Generated(format.code);
        std::mt19937 random(format.code);
        for (int round = 0; round < 200; ++round) {
            std::string stream;
            while (stream.size() < 1500) {
                std::string piece = telegrams[random() % telegrams.size()];
                if (random() % 4 == 0)
                    piece[random() % piece.size()] = kLikely[random() % kLikely.size()];
                if (random() % 4 == 0)
                    piece.resize(random() % piece.size());
                if (random() % 5 == 0)
                    piece = std::string(random() % 300, static_cast<char>(random()));
                stream += piece;
            }
            CContentFraming framing(format.makeFramer());
            std::string out;
            auto take = [&](auto taken) {
                ASSERT_TRUE(taken && !taken->empty() && taken->size() <= CContentFraming::kReadLimit);
                out += *taken;
            };
            for (std::size_t at = 0; at < stream.size();) {
                const std::size_t length = 1 + random() % 90;
                framing.Append(std::string_view(stream).substr(at, length));
                at += length;
                while (auto read = framing.TakeRead())
                    take(read);
                if (random() % 8 == 0 && framing.HoldsProvisional())
                    take(framing.TakeProvisional());
                if (random() % 16 == 0 && framing.Buffered() > 0)
                    take(framing.TakeRest());
            }
            while (framing.Buffered() > 0)
                take(framing.TakeRest());
            ASSERT_EQ(out, stream) << "round " << round;
        }
    }
    EXPECT_EQ(CFormatTable::CreateFramer(5), nullptr);
}

// A line of one format carrying noise: 300 telegrams written back to back
// with random bytes between them, arriving in pieces of any size.
struct CNoisyLine {
    int code;
    const char* name;
    std::string_view neverNoise;  // bytes the noise does not hold
    std::size_t noiseUpTo;        // bytes of noise between two telegrams, 1 to this many (0: none)
    int endByte;                  // HPR 309: the end byte sent (-1 as generated, 256 a random one each)
    int wholeAtLeast;             // how many of the 300 telegrams must come out whole
};

const CNoisyLine kNoisyLines[] = {
    {kTypeHpr309, "end byte CR", {}, 64, -1, 297},
    {kTypeHpr309, "end byte ETX", {}, 64, 0x03, 297},
    // No end byte to learn: a frame a few bytes off may pass the check (at least 90 %).
    {kTypeHpr309, "assorted end bytes, no noise", {}, 0, 256, 270},
    {kTypeHpr418D, "", {}, 64, -1, 300},
    {kTypeHpr418F, "", {}, 64, -1, 300},
    {kTypeHpr418Bcd, "", {}, 64, -1, 300},
    {kTypeNmea, "", {}, 64, -1, 300},
    {kTypeZaqAscii, "noise without digits or line ends", "0123456789\r\n", 64, -1, 300},
};

// The format's framer, noting every telegram the framing hands on.
class CNotingFramer : public CTelegramFramer {
public:
    CNotingFramer(std::unique_ptr<CTelegramFramer> format, std::vector<std::string>& handedOn)
        : framer(std::move(format)), telegrams(handedOn)
    {
    }
    CCut Cut(std::string_view bytes, Start start) const override { return framer->Cut(bytes, start); }
    void Learn(std::string_view telegram) override
    {
        telegrams.emplace_back(telegram);
        framer->Learn(telegram);
    }

private:
    std::unique_ptr<CTelegramFramer> framer;
    std::vector<std::string>& telegrams;
};

// Whether the format's check passes bytes as one whole telegram, where nothing is known of the line.
bool CheckPasses(int code, const std::string& bytes)
{
    const CTelegramFramer::CCut cut = CFormatTable::CreateFramer(code)->Cut(bytes, CTelegramFramer::Start::Unknown);
    return cut.kind != CTelegramFramer::CCut::Kind::Noise && cut.length == bytes.size();
}

std::string WithEndByte(std::string telegram, int endByte, std::mt19937& random)
{
    if (endByte < 0)
        return telegram;
    telegram[Hpr309Layout::kEndOfTg] = static_cast<char>(endByte < 256 ? endByte : random());
    telegram[Hpr309Layout::kChecksum] = static_cast<char>(Hpr309Layout::CheckByte(CByteView(telegram)));
    return telegram;
}

// Every telegram comes out whole, in order, one read each (an HPR 309 line,
// whose check is one byte, loses 1 % at most), every byte in one read, and
// no noise is handed on as a telegram the decoder passes but its check fails.
TEST(Framing, TelegramsAmidNoiseComeOutWhole)
{
    constexpr int kTelegrams = 300;
    for (const CNoisyLine& line : kNoisyLines) {
        SCOPED_TRACE(std::string(CFormatTable::TypeName(line.code)) + " " + line.name);
        std::mt19937 random(line.code + line.endByte);
        const auto generator = CFormatTable::Find(line.code)->makeGenerator();
        std::vector<std::string> telegrams;
        std::string stream;
        for (int i = 0; i < kTelegrams; ++i) {
            for (std::size_t noise = line.noiseUpTo ? 1 + random() % line.noiseUpTo : 0; noise > 0;) {
                const char byte = static_cast<char>(random());
                if (line.neverNoise.find(byte) == std::string_view::npos) {
                    stream += byte;
                    --noise;
                }
            }
            telegrams.push_back(WithEndByte(generator->Next(), line.endByte, random));
            stream += telegrams.back();
        }
        std::vector<std::string> handedOn;
        CContentFraming framing(std::make_unique<CNotingFramer>(CFormatTable::CreateFramer(line.code), handedOn));
        std::vector<std::string> reads;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t length = 1 + random() % 90;
            framing.Append(std::string_view(stream).substr(at, length));
            at += length;
            while (auto read = framing.TakeRead())
                reads.push_back(*read);
        }
        while (auto read = framing.TakeRest())
            reads.push_back(*read);
        std::string joined;
        for (const std::string& read : reads)
            joined += read;
        EXPECT_EQ(joined, stream);
        int whole = 0;
        for (std::size_t next = 0, read = 0; next < telegrams.size() && read < reads.size(); ++read) {
            for (std::size_t t = next; t < telegrams.size() && t < next + 3; ++t)
                if (reads[read] == telegrams[t]) {
                    ++whole;
                    next = t + 1;
                    break;
                }
        }
        EXPECT_GE(whole, line.wholeAtLeast);
        // No telegram made of noise passes the decoder unless it passes the format's check.
        const auto decoder = CFormatTable::Create(line.code);
        for (const std::string& telegram : handedOn) {
            const bool ofNoise = std::find(telegrams.begin(), telegrams.end(), telegram) == telegrams.end();
            if (ofNoise && decoder->Validate(CByteView(telegram)) == kStatusOk) {
                EXPECT_TRUE(CheckPasses(line.code, telegram));
            }
        }
    }
}

TEST(Framing, CountsTheTelegramsOfARead)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const std::vector<std::string> t = Generated(format.code);
        const auto framer = format.makeFramer();
        EXPECT_EQ(CContentFraming::CountTelegrams(*framer, ""), 0);
        EXPECT_EQ(CContentFraming::CountTelegrams(*framer, t[0]), 1);
        EXPECT_EQ(CContentFraming::CountTelegrams(*framer, t[0] + t[1]), 2);
        EXPECT_EQ(CContentFraming::CountTelegrams(*framer, t[0] + t[1] + t[2].substr(0, 10)), 2);
    }
}

// A line ended by LF alone waits for a CR that may belong to it; after a
// brief quiet it is handed on without one.
TEST(Framing, LineEndedByLineFeedWaitsForItsCarriageReturn)
{
    for (const int code : {kTypeZaqAscii, kTypeNmea}) {
        CContentFraming framing(CFormatTable::CreateFramer(code));
        framing.Append("$ B:1\n");
        EXPECT_FALSE(framing.TakeRead());
        EXPECT_TRUE(framing.HoldsProvisional());
        framing.Append("\r");
        EXPECT_EQ(framing.TakeRead(), "$ B:1\n\r");
        framing.Append("$ B:2\n");
        EXPECT_EQ(framing.TakeProvisional(), "$ B:2\n");
        EXPECT_FALSE(framing.HoldsProvisional());
        EXPECT_EQ(framing.Buffered(), 0u);
    }
}

} // namespace
