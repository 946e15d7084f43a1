#pragma once
#include "decoders/LineFramer.h"

// NMEA SSB/LBP sentences: '$' through the line end. The '$' appears in no
// field, so one always begins a sentence: bytes before it are noise, and a
// sentence that meets a '$' before its line end was cut short (a restart,
// an unplugged cable) and is noise up to that '$'.
class CNmeaFramer : public CLineFramer {
public:
    CCut Cut(std::string_view bytes, Start start) const override;
};
