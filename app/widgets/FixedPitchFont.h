#pragma once
// The font for text laid out in columns (the report, the hex dump): one in
// which every printable character, normal or bold, moves the pen by the same
// width. The desktop's fixed font is taken when it is such a font; font
// configurations do not always flag one that is (and some name a
// proportional font as the fixed one), so what counts is how the characters
// advance, not the flag.
#include <QFont>

class CFixedPitchFont {
public:
    // The desktop's fixed font when its characters advance evenly, else the
    // first installed monospaced family that does, at the desktop's size;
    // the desktop's fixed font when none does. Chosen once per program.
    static QFont Choose();
    // Whether every printable ASCII character advances by one width in
    // font, in normal and in bold weight.
    static bool AdvancesEvenly(QFont font);

private:
    static QFont FirstEvenFont();
};
