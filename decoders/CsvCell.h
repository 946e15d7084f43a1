#pragma once
#include <string>
#include <string_view>

// A cell of a CSV file that holds text taken from a telegram. The file is
// read in a spreadsheet and shown on terminals (tail -f): there the text
// must stay text, whatever the sender put in it.
class CCsvCell {
public:
    // Received bytes as one cell: control characters (C0, DEL and C1: an
    // escape sequence, a bell, a line end) as '?', then as Text writes it.
    // Every other byte stands as received.
    static std::string FromReceived(std::string_view bytes);

    // Text without control characters as one cell, for a file whose cells
    // are separated by separator. Text that a spreadsheet would run as a
    // formula, one that begins with '=', '+', '-', '@', a tab or a carriage
    // return and is no number, gets a "'" before it ("=HYPERLINK(...)" is
    // written "'=HYPERLINK(...)", while "-61.300" stays as it is). Such a
    // cell, and one that holds the separator, a double quote or a line end,
    // stands between double quotes with its own quotes doubled; any other
    // cell stands as it is.
    static std::string Text(std::string_view text, char separator = ',');

    // A plain decimal number: an optional sign, digits with an optional
    // fraction ("12", "-61.300", ".5", "5."), an optional exponent ("1e-3").
    static bool IsNumber(std::string_view text);

private:
    static bool RunsAsFormula(std::string_view text);
    static std::string Written(std::string_view text, bool guarded, char separator);
};
