#include "decoders/TelegramVerdict.h"

CTelegramVerdict CTelegramVerdict::Of(TelegramStatus status, std::optional<bool> checksumAgrees,
                                      std::optional<bool> lengthAgrees)
{
    if (status != kStatusOk)
        return {Kind::StatusFailed, status};
    if (checksumAgrees == false)
        return {Kind::ChecksumMismatch, status};
    if (lengthAgrees == false)
        return {Kind::LengthMismatch, status};
    return {Kind::Good, status};
}

const char* CTelegramVerdict::Word() const
{
    switch (kind) {
    case Kind::ChecksumMismatch: return "CHECKSUM MISMATCH";
    case Kind::LengthMismatch: return "LENGTH MISMATCH";
    case Kind::Good:
    case Kind::StatusFailed: break;
    }
    return StatusText(status);
}
