#pragma once
// What the simulator's network sinks are checked against: the telegrams of
// a format as its decoder judges them, and simulator options for a run.
#include <memory>
#include <string>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "simulation/TelegramSimulator.h"
#include "tests/decoders/DecoderTestSupport.h"

// A telegram the format's decoder takes without complaint: whole and framed,
// and for the binary formats with the right sum (the text formats show a
// wrong sum beside the calculated one without calling it an error).
inline bool IsGoodTelegram(int typeCode, const std::string& telegram)
{
    auto decoder = CFormatTable::Create(typeCode);
    return decoder->Validate(CByteView(telegram)) == kStatusOk &&
           DecodeTelegram(*decoder, telegram).text.find("ERROR") == std::string::npos;
}

inline CSimulationOptions Simulation(int typeCode, double rate, std::uint64_t count, double errorFraction = 0.0)
{
    CSimulationOptions options;
    options.typeCode = typeCode;
    options.rate = rate;
    options.count = count;
    options.errorFraction = errorFraction;
    return options;
}

// The first count telegrams of a format whose generator depends on nothing
// but its turn (not the clock), as one stream.
inline std::string FirstTelegrams(int typeCode, int count)
{
    auto generator = CTelegramGenerator::Create(typeCode);
    std::string bytes;
    for (int i = 0; i < count; ++i)
        bytes += generator->Next();
    return bytes;
}
