#pragma once
// Shared helpers for the decoder tests: decode one telegram as the reader
// thread would, and look at the report, the index record and the logs.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>

#include "decoders/FormatDecoder.h"
#include "report/RtfReader.h"

struct CDecodeResult {
    std::string document;   // the rich-text document
    std::string text;       // the report as plain text, each line break a newline
    std::string indexText;  // the report's index text
    CTelegramIndex index;
};

inline CDecodeResult DecodeTelegram(CFormatDecoder& decoder, const std::string& raw, double receiveTime = 1000.0)
{
    CReportBuilder report;
    CDecodeResult result;
    result.index.receiveTime = receiveTime;
    decoder.CountTelegram();
    decoder.WriteRaw(raw);
    decoder.Decode(raw, report, receiveTime, result.index);
    result.document = report.GetDocument();
    result.text = CRtfReader::PlainText(result.document);
    result.indexText = result.index.IndexText();
    return result;
}

// Bytes from a list of values, for binary telegrams written out in tests.
inline std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(value);
    return bytes;
}

// A fresh directory for log files, removed with everything in it.
class CTempDir {
public:
    CTempDir()
    {
        std::random_device random;
        path = std::filesystem::temp_directory_path() /
               ("vantrel-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path);
    }
    ~CTempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

inline std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the decoder writes to a fresh CSV log before its first telegram.
inline std::string CsvHeaderOf(CFormatDecoder& decoder)
{
    CTempDir dir;
    decoder.OpenLogs(dir.File("log.csv"));
    decoder.CloseLogs();
    return ReadWholeFile(dir.File("log.csv"));
}

// The lines of a text, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
