#include "replay/RecordedRead.h"

std::string CReplayMessage::Text() const
{
    if (file.empty())
        return text;
    if (line == 0)
        return file + ": " + text;
    return file + ":" + std::to_string(line) + ": " + text;
}
