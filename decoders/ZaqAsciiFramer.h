#pragma once
#include "decoders/LineFramer.h"

// ZAQ ASCII telegrams: a line each, beginning with its date and time
// ("08 Dec 26 14:03:27": digits, blanks and colons at fixed places). A
// telegram begins where they begin, so bytes before them on the same line
// (a line cut by a restart, another talker, a glitch) are noise, and so is
// a telegram that meets the date and time of the next before its line end.
// A line that holds no date and time is a line of its own, for the decoder
// to judge.
class CZaqAsciiFramer : public CLineFramer {
public:
    CCut Cut(std::string_view bytes, Start start) const override;
};
