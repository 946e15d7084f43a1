#pragma once
#include <cstdint>
#include <optional>

// A byte of the frame that the format leaves to the sender (the HPR 418
// start character, the HPR 309 end marker) and a sender keeps the same in
// every telegram, as a framer learns it from the line's telegrams whose
// check held. Two such telegrams in a row must agree on it: a frame found
// a byte off whose check holds by chance does not teach a wrong byte, and
// a sender that changes its byte is followed after two telegrams.
class CFramerLineByte {
public:
    // The byte of a telegram whose check held.
    void Heard(std::uint8_t byte)
    {
        if (last == byte)
            learned = byte;
        last = byte;
    }

    // The line's byte, once learned.
    const std::optional<std::uint8_t>& Learned() const { return learned; }

private:
    std::optional<std::uint8_t> last;
    std::optional<std::uint8_t> learned;
};
