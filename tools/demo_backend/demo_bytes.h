// SPDX-License-Identifier: MIT
#pragma once
// What both demo formats are built from: little-endian numbers, and a checksum over every byte
// before it at the end of the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrin::demo {

// FNV-1a, 32 bits: the checksum of both demo formats.
std::uint32_t checksum(std::string_view bytes);

// Appends the lowest size bytes of value, least significant first.
void putNumber(std::string& out, std::uint32_t value, std::size_t size);
// Appends the checksum of everything in out.
void seal(std::string& out);
// bytes without the checksum at their end; throws FormatError when it does not match them.
std::string_view unsealed(std::string_view bytes);

// Reads numbers and runs of bytes from the front; throws FormatError when the bytes end early.
class ByteReader {
public:
    // Whether "ends early" also names the byte the data ends at.
    enum class End { Unnamed, Named };

    explicit ByteReader(std::string_view bytes, End end = End::Unnamed)
        : m_bytes(bytes), m_end(end) {}

    std::size_t at() const { return m_at; }
    std::size_t left() const { return m_bytes.size() - m_at; }

    // what names the part being read, for the message.
    std::string_view take(std::size_t count, std::string_view what);
    std::uint32_t unsignedNumber(std::size_t size, std::string_view what);

private:
    std::string_view m_bytes;
    End m_end;
    std::size_t m_at = 0;
};

}  // namespace kestrin::demo
