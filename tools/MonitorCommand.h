#pragma once

// vantrel-cli monitor [--port COMn] [--config TEXT] [--type CODE] [--timeout S]
//                     [--csv PATH] [--count N] [--demo]
// Listens on the line as the window does and prints every telegram's report.
int RunMonitorCommand(int argc, char** argv);
