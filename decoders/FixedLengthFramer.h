#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "decoders/BinaryFramer.h"
#include "decoders/ByteView.h"

// Telegrams of one fixed length, with a start byte, an end byte, both or
// neither, and a check over their bytes. Without a byte of its own to frame
// a telegram, the check decides where one is.
class CFixedLengthFramer : public CBinaryFramer {
protected:
    CFixedLengthFramer(std::size_t length, std::optional<std::uint8_t> startByte,
                       std::optional<std::uint8_t> endByte);

    std::size_t Length() const { return length; }

    // Whether the check of a whole telegram holds.
    virtual bool ChecksOut(const CByteView& telegram) const = 0;
    // A telegram whose frame and check hold, where none was expected: found,
    // unless the format needs more to be sure of it.
    virtual CVerdict Confirmed(std::string_view bytes) const;

    CVerdict Judge(std::string_view bytes, Start start) const override;

private:
    std::size_t length;
    std::optional<std::uint8_t> startByte;
    std::optional<std::uint8_t> endByte;
};
