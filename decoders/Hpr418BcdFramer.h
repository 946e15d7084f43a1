#pragma once
#include "decoders/FixedLengthFramer.h"

// HPR 418 BCD telegrams: 32 bytes from the start byte 0xDF to the end byte
// 0xFF. After a telegram those two frame the next, and a wrong checksum is
// the decoder's to report, unless a telegram whose checksum holds begins
// within them; elsewhere a 0xDF begins a telegram only where its checksum
// holds too.
class CHpr418BcdFramer : public CFixedLengthFramer {
public:
    CHpr418BcdFramer();

protected:
    bool ChecksOut(const CByteView& telegram) const override;
};
