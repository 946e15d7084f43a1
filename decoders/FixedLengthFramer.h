#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "decoders/BinaryFramer.h"
#include "decoders/ByteView.h"

// Telegrams of one fixed length, framed by a start byte, an end byte or
// both, with a check over their bytes. A frame whose check holds is a
// telegram anywhere; one whose check fails only right after a telegram,
// and only where no telegram whose check holds begins within it.
class CFixedLengthFramer : public CBinaryFramer {
protected:
    CFixedLengthFramer(std::size_t length, std::optional<std::uint8_t> startByte,
                       std::optional<std::uint8_t> endByte);

    // Whether the check of a whole telegram holds.
    virtual bool ChecksOut(const CByteView& telegram) const = 0;

    CVerdict Judge(std::string_view bytes, Start start) const override;

private:
    std::size_t length;
    std::optional<std::uint8_t> startByte;
    std::optional<std::uint8_t> endByte;
};
