#pragma once
#include <optional>

#include "decoders/TelegramStatus.h"

// Whether a telegram can be relied on, beside its receive status: good only
// when the status is OK and every check its format carries agrees, else what
// failed first. The receive status stays what the CSV log and the report
// show; the window's panes, the terminal's lines, the statistics and the
// plot go by the verdict. Worked out from the record each time, never kept.
class CTelegramVerdict {
public:
    enum class Kind {
        Good,              // status OK, checksum and length agree (or the format has neither)
        StatusFailed,      // the receive status is not OK
        ChecksumMismatch,  // status OK, but the received checksum disagrees
        LengthMismatch     // status OK, checksum right, but the stated or fixed length disagrees
    };

    // From a record's status and checks; a check the format does not carry
    // (none) does not count against the telegram.
    static CTelegramVerdict Of(TelegramStatus status, std::optional<bool> checksumAgrees,
                               std::optional<bool> lengthAgrees);

    Kind GetKind() const { return kind; }
    bool Good() const { return kind == Kind::Good; }
    // "OK", the status word of a failed read, "CHECKSUM MISMATCH" or "LENGTH MISMATCH".
    const char* Word() const;

    bool operator==(const CTelegramVerdict&) const = default;

private:
    CTelegramVerdict(Kind verdictKind, TelegramStatus receiveStatus) : kind(verdictKind), status(receiveStatus) {}

    Kind kind;
    TelegramStatus status;
};
