#pragma once

// vantrel-cli replay: plays recorded sessions (JSON Lines captures, the
// raw and CSV logs) as the monitor shows a line. Returns the exit status.
int RunReplayCommand(int argc, char** argv);
