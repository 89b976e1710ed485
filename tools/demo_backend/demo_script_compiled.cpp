// SPDX-License-Identifier: MIT
// The compiled form of a demo script (".qb"), as laid out in demo_script.h.

#include "tools/demo_backend/demo_bytes.h"
#include "tools/demo_backend/demo_script.h"
#include "tools/demo_backend/demo_script_common.h"
#include "tools/demo_backend/format_error.h"

namespace kestrin::demo {
namespace {

constexpr std::string_view kMagic = "KDQB";
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kChecksumSize = 4;
constexpr auto kNamed = ByteReader::End::Named;

enum class Kind : std::uint8_t { Number = 1, Text = 2, Switch = 3 };

std::string atByte(std::size_t start) {
    return "byte " + std::to_string(start) + ": ";
}

// Checks the header and that a checksum follows it; returns the entry count.
std::size_t readHeader(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) {
        throw FormatError("not a demo script (it does not start with \"KDQB\")");
    }
    ByteReader header(bytes, kNamed);
    header.take(kMagic.size(), "the magic");
    if (const auto version = header.unsignedNumber(1, "the version"); version != kVersion) {
        throw FormatError("version " + std::to_string(version) + " is not known (only 1 is)");
    }
    const std::size_t count = header.unsignedNumber(2, "the entry count");
    header.take(kChecksumSize, "the checksum");
    return count;
}

Entry::Value readValue(ByteReader& in, Kind kind, std::size_t start) {
    if (kind == Kind::Number) {
        return static_cast<std::int32_t>(in.unsignedNumber(4, "a number"));
    }
    if (kind == Kind::Text) {
        return std::string(in.take(in.unsignedNumber(2, "a text"), "a text"));
    }
    const auto on = in.unsignedNumber(1, "a switch");
    if (on > 1) {
        throw FormatError(atByte(start) + "a switch is 0 or 1, not " + std::to_string(on));
    }
    return on == 1;
}

Entry readEntry(ByteReader& in) {
    const std::size_t start = in.at();
    const auto kind = in.unsignedNumber(1, "an entry");
    if (kind < static_cast<std::uint8_t>(Kind::Number) ||
        kind > static_cast<std::uint8_t>(Kind::Switch)) {
        throw FormatError(atByte(start) + "unknown entry kind " + std::to_string(kind));
    }
    Entry entry;
    entry.name = std::string(in.take(in.unsignedNumber(1, "an entry"), "an entry's name"));
    if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
        throw FormatError(atByte(start) + "bad name: " + problem);
    }
    entry.value = readValue(in, static_cast<Kind>(kind), start);
    return entry;
}

Kind kindOf(const Entry::Value& value) {
    if (std::holds_alternative<std::int32_t>(value)) {
        return Kind::Number;
    }
    return std::holds_alternative<std::string>(value) ? Kind::Text : Kind::Switch;
}

void writeEntry(std::string& out, const Entry& entry) {
    if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
        throw FormatError("bad name \"" + entry.name + "\": " + problem);
    }
    const auto* text = std::get_if<std::string>(&entry.value);
    if (text != nullptr && text->size() > kMaxTextSize) {
        throw FormatError("the text of \"" + entry.name + "\" is over 65535 bytes");
    }
    out += static_cast<char>(kindOf(entry.value));
    putNumber(out, static_cast<std::uint32_t>(entry.name.size()), 1);
    out += entry.name;
    if (const auto* number = std::get_if<std::int32_t>(&entry.value)) {
        putNumber(out, static_cast<std::uint32_t>(*number), 4);
    } else if (text != nullptr) {
        putNumber(out, static_cast<std::uint32_t>(text->size()), 2);
        out += *text;
    } else {
        putNumber(out, std::get<bool>(entry.value) ? 1 : 0, 1);
    }
}

}  // namespace

Script readScript(std::string_view bytes) {
    const std::size_t count = readHeader(bytes);
    ByteReader in(unsealed(bytes), kNamed);
    in.take(kHeaderSize, "the header");
    Script script;
    for (std::size_t index = 0; index < count; ++index) {
        script.entries.push_back(readEntry(in));
    }
    if (in.left() != 0) {
        throw FormatError(std::to_string(in.left()) + " bytes left over after entry " +
                          std::to_string(count));
    }
    return script;
}

std::string writeScript(const Script& script) {
    if (script.entries.size() > kMaxCount) {
        throw FormatError("a script holds at most 65535 entries");
    }
    std::string out(kMagic);
    putNumber(out, kVersion, 1);
    putNumber(out, static_cast<std::uint32_t>(script.entries.size()), 2);
    for (const Entry& entry : script.entries) {
        writeEntry(out, entry);
    }
    seal(out);
    return out;
}

}  // namespace kestrin::demo
