#pragma once
#include "decoders/FixedLengthFramer.h"

// HPR 309 telegrams: 32 bytes with no start byte, the check byte and the
// end marker last. The check byte alone cannot tell where a telegram
// begins: 32 bytes that begin a byte or two late have the same XOR as the
// telegram whenever its first bytes are the same as those of the telegram
// after it (the header, the high bits of roll and pitch), as they mostly
// are. So the end marker frames a telegram. After a telegram the marker 32
// bytes on frames the next, its check byte right or not (the decoder
// reports a wrong one); elsewhere 32 bytes are a telegram only where they
// end in the marker and their XOR comes out right, sought one byte further
// at a time.
class CHpr309Framer : public CFixedLengthFramer {
public:
    CHpr309Framer();

protected:
    bool ChecksOut(const CByteView& telegram) const override;
};
