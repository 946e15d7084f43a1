#include "decoders/Hpr418BcdFramer.h"

#include "decoders/Hpr418BcdLayout.h"

CHpr418BcdFramer::CHpr418BcdFramer()
    : CFixedLengthFramer(Hpr418BcdLayout::kLength, Hpr418BcdLayout::kStartByte, Hpr418BcdLayout::kEndByte)
{
}

bool CHpr418BcdFramer::ChecksOut(const CByteView& telegram) const
{
    return Hpr418BcdLayout::ChecksumMatches(telegram);
}
