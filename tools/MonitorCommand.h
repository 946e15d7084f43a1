#pragma once

// vantrel-cli monitor [--port COMn] [--config TEXT] [--type CODE] [--timeout S]
//                     [--csv PATH] [--count N] [--demo] [--brief | --json] [--stats]
// Listens on the line as the window does and prints every telegram: its
// report, one line or one JSON object; with --stats the line's statistics
// at the end.
int RunMonitorCommand(int argc, char** argv);
