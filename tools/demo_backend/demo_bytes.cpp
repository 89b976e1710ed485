// SPDX-License-Identifier: MIT
#include "tools/demo_backend/demo_bytes.h"

#include <algorithm>

#include "tools/demo_backend/format_error.h"

namespace kestrin::demo {
namespace {

constexpr std::size_t kChecksumSize = 4;

}  // namespace

std::uint32_t checksum(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

void putNumber(std::string& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void seal(std::string& out) {
    putNumber(out, checksum(out), kChecksumSize);
}

std::string_view unsealed(std::string_view bytes) {
    ByteReader stored(bytes.substr(bytes.size() - std::min(bytes.size(), kChecksumSize)));
    const std::uint32_t sum = stored.unsignedNumber(kChecksumSize, "the checksum");
    const std::string_view body = bytes.substr(0, bytes.size() - kChecksumSize);
    if (sum != checksum(body)) {
        throw FormatError("the checksum does not match: the file is damaged");
    }
    return body;
}

std::string_view ByteReader::take(std::size_t count, std::string_view what) {
    if (left() < count) {
        const std::string where =
            m_end == End::Named ? " at byte " + std::to_string(m_bytes.size()) : "";
        throw FormatError("ends early" + where + ", in the middle of " + std::string(what));
    }
    const auto taken = m_bytes.substr(m_at, count);
    m_at += count;
    return taken;
}

std::uint32_t ByteReader::unsignedNumber(std::size_t size, std::string_view what) {
    const std::string_view raw = take(size, what);
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(raw[i]);
    }
    return value;
}

}  // namespace kestrin::demo
