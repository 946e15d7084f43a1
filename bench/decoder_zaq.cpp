// Decoding speed of ZAQ ASCII telegrams: a beacon position with riser
// angles (the longest kind) and the ship's own position.
#include <string>

#include "bench/BenchSupport.h"

namespace {
const std::string kBeacon =
    "08 Dec 26 14:03:27 B:12 X:  104.6 Y:  -37.2 D:  310.4 P:  1.2 R: -0.4 H:271.9 A:  2.1 C: -0.8 E:0\r\n";
const std::string kShip =
    "08 Dec 26 14:03:27 B:0 X:456789.5 Y:6543210.2 D:    5.1 P:  1.2 R: -0.4 H:271.9 E:0\r\n";
} // namespace

BENCHMARK_CAPTURE(BenchmarkDecode, ZaqAscii_Beacon, kTypeZaqAscii, kBeacon);
BENCHMARK_CAPTURE(BenchmarkDecode, ZaqAscii_Ship, kTypeZaqAscii, kShip);
