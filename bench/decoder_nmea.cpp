// Decoding speed of NMEA sentences: a $PSIMSSB with inclinometer angles
// and a $PSIMLBP, both with their checksum.
#include <string>

#include "bench/BenchSupport.h"

namespace {
const std::string kSsb = "$PSIMSSB,143027.50,C12,A,,C,H,M,12.30,-45.60,310.40,0.50,I,2.1,-1.5*60\r\n";
const std::string kLbp = "$PSIMLBP,143027.50,1,R2,A,U,6543210.50,432109.80,120.40,0.80,0.60,45.0,0.30*16\r\n";
} // namespace

BENCHMARK_CAPTURE(BenchmarkDecode, Nmea_Ssb, kTypeNmea, kSsb);
BENCHMARK_CAPTURE(BenchmarkDecode, Nmea_Lbp, kTypeNmea, kLbp);
