#pragma once
#include <string>

// Which transponder (kind 1) or which vessel or array (kind 0) a telegram
// belongs to, and when it was received. The timing window keys its rows on
// kind and text together.
struct CTelegramIndex {
    int kind = 0;
    std::string text;
    double receiveTime = 0.0;  // clock milliseconds at the end of the read
    bool valid = false;
    // Whether text is also the report's index text, the one the display
    // filter examines. Telegrams that name a vessel, an array or a position
    // type, and some that name a transponder, are identified without one:
    // they never pass an active filter.
    bool filterable = false;

    void SetIndex(int newKind, const std::string& newText)
    {
        kind = newKind;
        text = newText;
        valid = true;
        filterable = false;
    }
    // Sets the index and makes its text the report's index text.
    void SetReportIndex(int newKind, const std::string& newText)
    {
        SetIndex(newKind, newText);
        filterable = true;
    }
    // What the display filter examines: the text, or "" when it is not the
    // report's index text.
    const std::string& IndexText() const
    {
        static const std::string none;
        return filterable ? text : none;
    }
};
