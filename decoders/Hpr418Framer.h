#pragma once
#include <cstddef>
#include <string_view>

#include "decoders/BinaryFramer.h"

// HPR 418D and HPR 418F telegrams. The header states the length of the
// message section (the telegram is 8 bytes longer: header and trailer),
// and the stop byte 0xAA ends the telegram. The start character is shown
// by the decoder, not checked, so it frames nothing; nor does the decoder
// use the stated length: it reads the section its message type and
// transponder type lay out. So two lengths are tried, the stated one and
// the one the layout fixes, whichever ends on the stop byte (a sender that
// states its length wrongly is still framed by its layout):
//
//  - after a telegram, a length that ends on 0xAA frames the next, its
//    sum right or not (the decoder reports a wrong sum);
//  - elsewhere 0xAA is too common a byte to go by, so there the sum must
//    hold as well;
//  - a length beyond 256 bytes is no telegram's.
//
// A header that states a wrong length thus holds up the telegrams after it
// at most until 256 bytes have come, and then is noise.
class CHpr418Framer : public CBinaryFramer {
public:
    explicit CHpr418Framer(bool isVariantF);

protected:
    CVerdict Judge(std::string_view bytes, Start start) const override;

private:
    bool variantF;
};
