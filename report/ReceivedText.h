#pragma once
#include <string>
#include <string_view>

// Text taken from a telegram, made fit for output. Received bytes are read
// as Latin-1: a byte from 0x80 up is the character U+0080 to U+00FF.

// The bytes as UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

// The bytes as they stand, control characters (C0, DEL and C1) as '?'.
std::string ControlsReplaced(std::string_view bytes);

// One cell of a line shown on a terminal or written to a table, as UTF-8:
// control characters (C0, DEL and C1, which could end the line, add a
// column, move the cursor or start an escape sequence) are shown as '?'.
std::string TerminalCell(std::string_view bytes);
