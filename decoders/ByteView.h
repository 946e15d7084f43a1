#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Bounds-checked read access to the bytes of one telegram. Bytes from the
// line are untrusted: a byte at a position beyond the end of a short
// telegram counts as absent and reads as 0, so a decoder can read every
// field at its fixed offset without ever leaving the received data.
class CByteView {
public:
    CByteView() = default;
    explicit CByteView(std::string_view bytes) : data(bytes) {}

    std::size_t Size() const { return data.size(); }
    bool Empty() const { return data.empty(); }
    std::string_view Text() const { return data; }

    std::uint8_t At(std::size_t offset) const
    {
        return offset < data.size() ? static_cast<std::uint8_t>(data[offset]) : 0;
    }
    char CharAt(std::size_t offset) const { return static_cast<char>(At(offset)); }

    std::uint16_t U16LE(std::size_t offset) const
    {
        return static_cast<std::uint16_t>(At(offset) | (At(offset + 1) << 8));
    }
    std::uint32_t U32LE(std::size_t offset) const;
    std::uint64_t U64LE(std::size_t offset) const;
    float F32LE(std::size_t offset) const;
    double F64LE(std::size_t offset) const;

    // len bytes from offset, zero-filled past the end.
    std::string Bytes(std::size_t offset, std::size_t len) const;

    // XOR and modulo-65536 sum of the bytes [from, to), zero past the end.
    std::uint8_t Xor(std::size_t from, std::size_t to) const;
    std::uint16_t Sum16(std::size_t from, std::size_t to) const;

    // The bytes as two-digit hex ("%02X" each), padded with blanks to width.
    std::string Hex(std::size_t offset, std::size_t len, std::size_t width = 0) const;

private:
    std::string_view data;
};
