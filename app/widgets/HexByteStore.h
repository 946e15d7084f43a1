#pragma once
// The bytes behind the hex monitor: an append-only store in fixed-size
// chunks, so that appending never moves what is already stored and the
// oldest bytes can be let go of without touching the rest. Every byte keeps
// the offset at which it arrived; dropping the oldest bytes does not
// renumber the others.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

class CHexByteStore {
public:
    static constexpr std::size_t kChunkSize = 64 * 1024;

    void Append(const std::uint8_t* data, std::size_t size);
    // Lets go of up to count of the oldest bytes.
    void DropFront(std::uint64_t count);

    // Offset of the oldest byte kept (the number of bytes dropped so far)
    // and one past the newest.
    std::uint64_t BeginOffset() const { return beginOffset; }
    std::uint64_t EndOffset() const { return endOffset; }
    std::uint64_t Size() const { return endOffset - beginOffset; }

    // Copies the kept bytes from offset on, at most count of them, and says
    // how many it copied; offsets outside the kept range give none.
    std::size_t Copy(std::uint64_t offset, std::uint8_t* out, std::size_t count) const;

private:
    std::deque<std::unique_ptr<std::uint8_t[]>> chunks;
    std::size_t headSkip = 0;  // bytes of the first chunk already dropped
    std::size_t tailFill = 0;  // bytes used in the last chunk
    std::uint64_t beginOffset = 0;
    std::uint64_t endOffset = 0;
};
