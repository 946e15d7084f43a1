#pragma once
#include <string_view>

#include "decoders/TelegramFramer.h"

// The framing of the formats sent as lines of text: a telegram ends with
// its line end, CR LF, or LF CR as some senders write it (an LF alone ends
// one too, for the decoder to judge). A line ended by CR LF is whole at
// once; one ended by LF waits for the next byte, which is its CR or begins
// the next line.
class CLineFramer : public CTelegramFramer {
protected:
    // The line at the front of bytes: a telegram through its line end,
    // provisional while its LF is the last byte, NeedMore before the LF.
    static CCut CutLine(std::string_view bytes);
};
