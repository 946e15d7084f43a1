#pragma once
#include <cstddef>
#include <string_view>

#include "decoders/TelegramFramer.h"

// The framing of the binary formats: a telegram may begin at any byte, and
// the format judges what is there. Bytes that begin no telegram are noise
// up to the next byte where the format is sure a telegram begins, or where
// one may still begin (too few bytes yet to tell).
class CBinaryFramer : public CTelegramFramer {
public:
    CCut Cut(std::string_view bytes, Start start) const override;

protected:
    struct CVerdict {
        enum class Kind {
            None,     // no telegram begins here
            Maybe,    // one may begin here: more bytes will tell
            Telegram  // a telegram of `length` bytes begins here
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

private:
    std::size_t NoiseLength(std::string_view bytes) const;
};
