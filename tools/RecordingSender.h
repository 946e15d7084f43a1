#pragma once
#include <optional>
#include <string>
#include <vector>

class CStopSignal;
class CTelegramSink;

// vantrel-cli simulate --replay: writes the reads of a recorded session to
// a sink (a line, a pseudo-terminal, a UDP peer, TCP clients) at their
// recorded pace, and says how many it sent. Returns the exit status.
int SendRecording(const std::vector<std::string>& files, std::optional<int> typeCode, CTelegramSink& sink,
                  CStopSignal& stop);
