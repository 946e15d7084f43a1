#pragma once
// Feeds one fuzz input through a format's decoder as the reader thread
// would: CountTelegram, WriteRaw and Decode, with the CSV log open.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "decoders/FormatTable.h"
#include "report/RtfReader.h"

// The decoder of a format, kept from one input to the next as on the line.
inline CFormatDecoder& FuzzDecoder(const CFormatEntry& format)
{
    struct CFuzzedDecoder {
        std::unique_ptr<CFormatDecoder> decoder;
        unsigned long inputs = 0;
    };
    static std::map<int, CFuzzedDecoder> decoders;
    CFuzzedDecoder& fuzzed = decoders[format.code];
    if (!fuzzed.decoder)
        fuzzed.decoder = format.makeDecoder();
    // Start the logs afresh now and then so a long run does not fill the disk.
    if (fuzzed.inputs++ % 4096 == 0) {
        const std::string csvPath = (std::filesystem::temp_directory_path() /
                                     ("vantrel-fuzz-" + std::to_string(getpid()) + "-" + format.key + ".csv"))
                                        .string();
        fuzzed.decoder->OpenLogs(csvPath);
        // Unlinked at once: the open files keep working and nothing is left behind.
        std::filesystem::remove(csvPath);
        std::filesystem::remove(CFormatDecoder::RawPathFor(csvPath));
    }
    return *fuzzed.decoder;
}

inline int FuzzOneTelegram(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    if (size > 256)
        size = 256;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    CFormatDecoder& decoder = FuzzDecoder(format);
    CReportBuilder report;
    CTelegramIndex index;
    double receiveTime = 1000.0 + static_cast<double>(size);
    decoder.CountTelegram();
    decoder.WriteRaw(raw);
    decoder.Decode(raw, report, receiveTime, index);
    // The document must always read back: the reader never runs off its end.
    CRtfReader::PlainText(report.GetDocument());
    return 0;
}
