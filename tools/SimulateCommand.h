#pragma once

// vantrel-cli simulate [--type CODE] [--rate HZ] [--count N] [--errors FRACTION]
//                      [--config TEXT] (--port COMn | --device PATH | --pty |
//                                       --udp HOST:PORT | --tcp-listen [HOST:]PORT)
// Plays the positioning system: writes generated telegrams to a line, or
// sends them as UDP datagrams or to the clients of a TCP port.
int RunSimulateCommand(int argc, char** argv);
