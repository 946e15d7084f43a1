#pragma once
#include <cstddef>
#include <string_view>

#include "decoders/TelegramFramer.h"

// The framing of the binary formats: a telegram may begin at any byte, and
// the format judges what is there. Bytes that begin no telegram are noise
// from their first byte only: the search goes on at the next byte, and the
// noise runs up to the next byte where the format is sure a telegram
// begins, or where one may still begin (too few bytes yet to tell).
class CBinaryFramer : public CTelegramFramer {
public:
    CCut Cut(std::string_view bytes, Start start) const override;

protected:
    struct CVerdict {
        enum class Kind {
            None,     // no telegram begins here
            Maybe,        // one may begin here: more bytes will tell
            Telegram,     // a telegram of `length` bytes begins here
            Provisional   // one of `length` bytes, unless more bytes show a better one within it
        };
        Kind kind;
        std::size_t length;
    };

    // What the bytes begin with, judged from their first byte as the start
    // says (see CTelegramFramer); bytes is never empty.
    virtual CVerdict Judge(std::string_view bytes, Start start) const = 0;

    static CVerdict None() { return {CVerdict::Kind::None, 0}; }
    static CVerdict Maybe() { return {CVerdict::Kind::Maybe, 0}; }
    static CVerdict Found(std::size_t length) { return {CVerdict::Kind::Telegram, length}; }
    static CVerdict FoundUnlessBetter(std::size_t length) { return {CVerdict::Kind::Provisional, length}; }

    // A frame of `length` bytes that the format takes only where no
    // telegram it is sure of begins within it (noise then, from its first
    // byte), and provisionally while the bytes do not show that yet.
    // sureAt judges bytes as Judge does, finding only such telegrams.
    template <typename SureAt>
    static CVerdict UnlessSureWithin(std::string_view bytes, std::size_t length, SureAt sureAt)
    {
        bool pending = false;
        for (std::size_t at = 1; at < length && at < bytes.size(); ++at) {
            const CVerdict within = sureAt(bytes.substr(at));
            if (within.kind == CVerdict::Kind::Telegram)
                return None();
            pending = pending || within.kind == CVerdict::Kind::Maybe;
        }
        return pending ? FoundUnlessBetter(length) : Found(length);
    }

private:
    std::size_t NoiseLength(std::string_view bytes) const;
};
