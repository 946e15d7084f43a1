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

    void SetIndex(int newKind, const std::string& newText)
    {
        kind = newKind;
        text = newText;
        valid = true;
    }
};
