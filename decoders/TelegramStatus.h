#pragma once

// Receive status of one telegram, as decided by a decoder's Validate.
enum TelegramStatus : int {
    kStatusOk = 0,
    kStatusBadData = 1,       // wrong framing, terminator, length or check byte
    kStatusEarlyEot = 2,      // ended before its fixed length
    kStatusTimedOut = 3,      // nothing received
    kStatusChecksumError = 4  // framing right, checksum wrong
};

// The word shown in error reports and written in the CSV Status column.
inline const char* StatusText(int code)
{
    switch (code) {
    case kStatusOk: return "OK";
    case kStatusBadData: return "BAD DATA";
    case kStatusEarlyEot: return "EARLT EOT";  // spelt as stored logs and peers have it
    case kStatusTimedOut: return "TIMED OUT";
    case kStatusChecksumError: return "CHECKSUM ERROR";
    default: return "???";
    }
}
