#pragma once
#include "decoders/LineFramer.h"

// ZAQ ASCII telegrams: a line each, with no byte that marks where one
// begins. Every byte belongs to a line, so there is no noise: bytes before
// a telegram on its own line (a line cut by a restart) are part of it, and
// the decoder judges the line.
class CZaqAsciiFramer : public CLineFramer {
public:
    CCut Cut(std::string_view bytes, Start start) const override;
};
