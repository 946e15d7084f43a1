#pragma once
// Feeds one fuzz input through a decoder as the reader thread would:
// CountTelegram, WriteRaw and Decode, with the CSV log open.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "decoders/FormatTable.h"
#include "report/RtfReader.h"

inline CFormatDecoder& FuzzDecoder(int typeCode)
{
    static std::unique_ptr<CFormatDecoder> decoders[8];
    static unsigned long inputs[8];
    std::unique_ptr<CFormatDecoder>& decoder = decoders[typeCode & 7];
    if (!decoder)
        decoder = CFormatTable::Create(typeCode);
    // Start the logs afresh now and then so a long run does not fill the disk.
    if (inputs[typeCode & 7]++ % 4096 == 0) {
        const std::string csvPath = (std::filesystem::temp_directory_path() /
                                     ("vantrel-fuzz-" + std::to_string(getpid()) + "-" +
                                      std::to_string(typeCode) + ".csv"))
                                        .string();
        decoder->OpenLogs(csvPath);
        // Unlinked at once: the open files keep working and nothing is left behind.
        std::filesystem::remove(csvPath);
        std::filesystem::remove(CFormatDecoder::RawPathFor(csvPath));
    }
    return *decoder;
}

inline int FuzzOneTelegram(int typeCode, const std::uint8_t* data, std::size_t size)
{
    if (size > 256)
        size = 256;
    const std::string raw(reinterpret_cast<const char*>(data), size);
    CFormatDecoder& decoder = FuzzDecoder(typeCode);
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
