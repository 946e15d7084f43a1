#pragma once
#include <cstddef>
#include <string_view>

#include "decoders/BinaryFramer.h"
#include "decoders/ByteView.h"
#include "decoders/FramerLineByte.h"

// HPR 418D and HPR 418F telegrams. The header states the length of the
// message section (the telegram is 8 bytes longer: header and trailer),
// and the stop byte 0xAA ends the telegram. The decoder does not use the
// stated length: it reads the section its message type and transponder
// type lay out. So two lengths are tried, the stated one and the one the
// layout fixes (a sender that states its length wrongly is still framed by
// its layout):
//
//  - a frame of either length that ends on 0xAA and whose sum agrees is a
//    telegram, wherever it begins;
//  - 0xAA is too common a byte to go by, and a frame of 8 bytes (a message
//    type with no section) ends on it once in 256 bytes of noise. So a
//    frame whose sum fails is a telegram (the decoder reports the sum) only
//    right after a telegram, only where it begins with the start character
//    of the line's telegrams whose sum agreed (the format leaves its value
//    to the sender: it is learned from them), only where its stop byte
//    stands at the length it states, and only where no telegram whose sum
//    agrees begins within it (until the bytes show, it is a telegram
//    provisionally, handed on after a brief quiet);
//  - anything else is noise from its first byte only: the search goes on
//    at the next byte;
//  - a length beyond 256 bytes is no telegram's.
//
// A header that states a wrong length thus holds up the telegrams after it
// at most until 256 bytes have come, and then is noise.
class CHpr418Framer : public CBinaryFramer {
public:
    explicit CHpr418Framer(bool isVariantF);

    void Learn(std::string_view telegram) override;

protected:
    CVerdict Judge(std::string_view bytes, Start start) const override;

private:
    // Whether a frame whose sum fails is still the line's telegram.
    bool FramedAsTheLine(const CByteView& bytes, std::size_t stated) const;

    bool variantF;
    CFramerLineByte lineStart;
};
