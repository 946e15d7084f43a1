#pragma once
#include <string>

#include "acquisition/LineEvent.h"

// What the monitor tells of a port that cannot be opened (once per distinct
// reason) and of a line that is lost (once), naming its device or network
// line; a line read again, or replaced, may be told of anew.
class CPortErrorReporter {
public:
    // The line to tell on standard error for event, ending in a newline; ""
    // when there is nothing new to tell.
    std::string LineFor(const CLineEvent& event);

private:
    std::string toldReason;  // "" while the line is read
    bool toldLost = false;
};
