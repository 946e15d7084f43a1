#include "app/widgets/HexByteStore.h"

#include <algorithm>
#include <cstring>

void CHexByteStore::Append(const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        if (chunks.empty() || tailFill == kChunkSize) {
            chunks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kChunkSize));
            tailFill = 0;
        }
        const std::size_t part = std::min(size, kChunkSize - tailFill);
        std::memcpy(chunks.back().get() + tailFill, data, part);
        tailFill += part;
        endOffset += part;
        data += part;
        size -= part;
    }
}

void CHexByteStore::DropFront(std::uint64_t count)
{
    count = std::min(count, Size());
    beginOffset += count;
    std::uint64_t skip = headSkip + count;
    // Whole chunks that are now behind the first kept byte are freed. The
    // last chunk stays while it is still being filled.
    while (chunks.size() > 1 && skip >= kChunkSize) {
        chunks.pop_front();
        skip -= kChunkSize;
    }
    if (chunks.size() == 1 && skip >= tailFill) {
        chunks.clear();
        skip = 0;
        tailFill = 0;
    }
    headSkip = static_cast<std::size_t>(skip);
}

std::size_t CHexByteStore::Copy(std::uint64_t offset, std::uint8_t* out, std::size_t count) const
{
    if (offset < beginOffset || offset >= endOffset)
        return 0;
    count = static_cast<std::size_t>(std::min<std::uint64_t>(count, endOffset - offset));
    std::uint64_t position = offset - beginOffset + headSkip;
    std::size_t copied = 0;
    while (copied < count) {
        const std::size_t chunk = static_cast<std::size_t>(position / kChunkSize);
        const std::size_t within = static_cast<std::size_t>(position % kChunkSize);
        const std::size_t part = std::min(count - copied, kChunkSize - within);
        std::memcpy(out + copied, chunks[chunk].get() + within, part);
        copied += part;
        position += part;
    }
    return copied;
}
