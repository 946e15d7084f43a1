#pragma once
#include <cstddef>
#include <string_view>

#include "decoders/BinaryFramer.h"
#include "decoders/ByteView.h"
#include "decoders/FramerLineByte.h"

// HPR 309 telegrams: 32 bytes with no start byte, the check byte and the
// end marker last. A telegram is valid when the XOR of its 32 bytes holds,
// whatever its end marker: the format names the marker but leaves its
// value to the sender. So the check frames a telegram, and the line's end
// byte (learned from its telegrams whose check held; a CR, as we send it,
// until then) chooses between frames the check alone cannot tell apart:
// 32 bytes that begin a byte early or late have the same XOR as the
// telegram whenever the byte they gain is the one they lose (a noise byte
// that equals the end marker; the first byte of the next telegram, which
// mostly equals that of this one). So:
//
//  - 32 bytes whose XOR holds and that end in the line's end byte are a
//    telegram, wherever they begin;
//  - 32 bytes whose XOR holds and that end in another byte, and right
//    after a telegram 32 bytes that end in the line's end byte and whose
//    check fails (the decoder reports it), are a telegram too, unless a
//    telegram of the first kind begins within them: then they are noise.
//    Until the bytes show whether one does, they are a telegram only
//    provisionally, handed on after a brief quiet;
//  - anything else is noise from its first byte only, and the search goes
//    on at the next byte.
//
// Every read thus holds one telegram at most, 32 bytes. A line whose
// telegrams end in no one byte is framed by the check alone, and a frame a
// few bytes off whose XOR holds by chance may then take a telegram's place.
class CHpr309Framer : public CBinaryFramer {
public:
    void Learn(std::string_view telegram) override;

protected:
    CVerdict Judge(std::string_view bytes, Start start) const override;

private:
    // Whether 32 bytes end in the line's end byte.
    bool EndsAsTheLine(const CByteView& bytes) const;
    // 32 bytes whose check holds and that end in the line's end byte.
    bool IsSure(std::string_view bytes) const;

    CFramerLineByte lineEnd;
};
