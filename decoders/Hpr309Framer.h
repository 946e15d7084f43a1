#pragma once
#include "decoders/FixedLengthFramer.h"

// HPR 309 telegrams: 32 bytes with no start byte, the check byte and an end
// marker last; the format leaves the marker's value to the sender (the
// decoder reads any), but a sender ends every telegram with the same one.
// The check byte frames a telegram: 32 bytes are one where their XOR comes
// out right. It cannot tell the phase, though: the 32 bytes that begin one
// byte early, with the end marker of the telegram before, have the same
// XOR. So where no telegram is expected (the first bytes of a line, within
// noise) a telegram is sure only when the one right after it checks out
// too and ends in the same marker; one byte off, the two end in their
// check bytes instead. After a telegram the next is taken by its check.
class CHpr309Framer : public CFixedLengthFramer {
public:
    CHpr309Framer();

protected:
    bool ChecksOut(const CByteView& telegram) const override;
    CVerdict Confirmed(std::string_view bytes) const override;
};
