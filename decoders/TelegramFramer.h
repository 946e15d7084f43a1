#pragma once
#include <cstddef>
#include <string_view>

// Cuts the byte stream of a line into telegrams by the format's own rules:
// its start and end bytes, the length a telegram states or its layout
// fixes, its check byte or sum where only that can decide, its line end.
// Telegrams that follow each other too closely for silence to part them
// are parted so. One framer per format, registered in the table of formats
// beside its decoder; CContentFraming feeds it the bytes of a line.
//
// Cut looks at bytes that begin where the last cut ended and says what the
// first of them are:
//
//   Telegram     the first `length` bytes are a whole telegram.
//   Noise        the first `length` bytes (one at least) begin no telegram:
//                they run up to the next place where a telegram begins or
//                may begin, or to the end of the bytes.
//   NeedMore     the bytes may begin a telegram still coming (`length` 0).
//   Provisional  the first `length` bytes are a whole telegram unless bytes
//                still to come show otherwise: a line ended by LF alone,
//                which a CR may follow as its part, or a telegram that a
//                better one may yet be seen to begin within.
//
// Where the bytes begin matters. Right after a telegram the next one is
// expected, so data bytes inside a telegram that look like the start of
// another never throw the framing off. A telegram whose check holds is
// taken anywhere. One whose check fails is taken, for the decoder to
// report, only right after a telegram, only where its frame is the line's
// (the start and end bytes the format fixes, or where it leaves one to the
// sender, the one the line's telegrams whose check held showed), and only
// where no telegram whose check holds begins within it. Everything else is
// noise, and never holds a telegram whose check holds.
//
// A cut never takes more bytes than it is given, and never looks beyond
// them. The framer learns what it knows of the line from the telegrams it
// is told of (Learn); between two of them, the same bytes from the same
// start give the same cut. A framer made anew knows nothing of the line.
class CTelegramFramer {
public:
    // No read is longer, as the controller reads at most this many bytes at
    // once; a telegram stated to be longer is no telegram.
    static constexpr std::size_t kReadLimit = 256;

    struct CCut {
        enum class Kind { Telegram, Noise, NeedMore, Provisional };
        Kind kind;
        std::size_t length;
    };

    // Where the bytes given to Cut begin.
    enum class Start { AfterTelegram, Unknown };

    virtual ~CTelegramFramer() = default;

    virtual CCut Cut(std::string_view bytes, Start start) const = 0;

    // Told of each telegram handed on as it was cut. A format that leaves
    // a byte of its frame to the sender learns the line's byte from the
    // telegrams whose check holds; the others learn nothing.
    virtual void Learn(std::string_view /*telegram*/) {}

protected:
    static CCut Telegram(std::size_t length) { return {CCut::Kind::Telegram, length}; }
    static CCut Noise(std::size_t length) { return {CCut::Kind::Noise, length}; }
    static CCut NeedMore() { return {CCut::Kind::NeedMore, 0}; }
    static CCut Provisional(std::size_t length) { return {CCut::Kind::Provisional, length}; }
};
