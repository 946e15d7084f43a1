#pragma once

// vantrel-cli simulate [--type CODE] [--rate HZ] [--count N] [--errors FRACTION]
//                      [--config TEXT] (--port COMn | --device PATH | --pty)
// Plays the positioning system: writes generated telegrams to a line.
int RunSimulateCommand(int argc, char** argv);
