#include "decoders/Hpr309Framer.h"

#include "decoders/Hpr309Layout.h"

CHpr309Framer::CHpr309Framer()
    : CFixedLengthFramer(Hpr309Layout::kLength, std::nullopt, Hpr309Layout::kEndMarker)
{
}

bool CHpr309Framer::ChecksOut(const CByteView& telegram) const
{
    return Hpr309Layout::Xor(telegram) == Hpr309Layout::kXorResult;
}
