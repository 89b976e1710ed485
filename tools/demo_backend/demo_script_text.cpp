// SPDX-License-Identifier: MIT
// The text form of a demo script (".txt"), as described in demo_script.h.

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

#include "tools/demo_backend/demo_script.h"
#include "tools/demo_backend/demo_script_common.h"
#include "tools/demo_backend/format_error.h"

namespace kestrin::demo {
namespace {

constexpr std::string_view kHeading =
    "# Kestrin demo script: a made-up format for trying Kestrin out, not any game's.\n";

// The escapes of a text besides \xHH: the letter after the "\" and the character it stands for.
constexpr std::array<std::pair<char, char>, 4> kEscapes = {
    {{'"', '"'}, {'\\', '\\'}, {'n', '\n'}, {'t', '\t'}}};

class LineError : public FormatError {
public:
    LineError(std::size_t line, const std::string& what)
        : FormatError("line " + std::to_string(line) + ": " + what) {}
};

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        const auto* escape = std::find_if(kEscapes.begin(), kEscapes.end(),
                                          [c](const auto& known) { return known.second == c; });
        if (escape != kEscapes.end()) {
            out += '\\';
            out += escape->first;
        } else if (code < 0x20 || code >= 0x7F) {
            std::array<char, 8> hex{};
            std::snprintf(hex.data(), hex.size(), "\\x%02x", static_cast<unsigned>(code));
            out += hex.data();
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string renderedEntry(const Entry& entry) {
    if (const auto* number = std::get_if<std::int32_t>(&entry.value)) {
        return "number " + entry.name + " = " + std::to_string(*number) + "\n";
    }
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
        return "text " + entry.name + " = " + quoted(*text) + "\n";
    }
    return "switch " + entry.name + " = " + (std::get<bool>(entry.value) ? "on" : "off") + "\n";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Adds what the escape at value[at], just after its "\", stands for to text; returns the place
// of the escape's last character.
std::size_t unescape(std::string_view value, std::size_t at, std::size_t line, std::string& text) {
    const char letter = value[at];
    const auto* escape =
        std::find_if(kEscapes.begin(), kEscapes.end(),
                     [letter](const auto& known) { return known.first == letter; });
    if (escape != kEscapes.end()) {
        text += escape->second;
        return at;
    }
    if (letter != 'x') {
        throw LineError(line, std::string("unknown escape \\") + letter);
    }
    const int high = at + 1 < value.size() ? hexValue(value[at + 1]) : -1;
    const int low = at + 2 < value.size() ? hexValue(value[at + 2]) : -1;
    if (high < 0 || low < 0) {
        throw LineError(line, "\\x is followed by two hexadecimal digits");
    }
    text += static_cast<char>(high * 16 + low);
    return at + 2;
}

std::string unquoted(std::string_view value, std::size_t line) {
    if (value.size() < 2 || value.front() != '"') {
        throw LineError(line, "a text value is written in double quotes");
    }
    std::string text;
    std::size_t i = 1;
    for (; i < value.size() && value[i] != '"'; ++i) {
        const char c = value[i];
        const auto code = static_cast<unsigned char>(c);
        if ((code < 0x20 && c != '\t') || code == 0x7F) {
            throw LineError(line, "a control character in a text; write it as \\xHH");
        }
        if (c != '\\') {
            text += c;
        } else if (++i < value.size()) {
            i = unescape(value, i, line, text);
        }
    }
    if (i >= value.size()) {
        throw LineError(line, "the text has no closing double quote");
    }
    if (i + 1 != value.size()) {
        throw LineError(line, "nothing may follow the closing double quote");
    }
    if (text.size() > kMaxTextSize) {
        throw LineError(line, "a text holds at most 65535 bytes");
    }
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::int32_t parsedNumber(std::string_view value, std::size_t line) {
    std::int32_t parsed = 0;
    const auto* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, parsed);
    if (value.empty() || error == std::errc::invalid_argument || stop != end) {
        throw LineError(line, "a number is written in decimal digits");
    }
    if (error == std::errc::result_out_of_range) {
        throw LineError(line, "the number does not fit in 32 bits");
    }
    return parsed;
}

Entry::Value parsedValue(std::string_view kind, std::string_view value, std::size_t line) {
    if (kind == "text") {
        return unquoted(value, line);
    }
    if (kind == "switch") {
        if (value != "on" && value != "off") {
            throw LineError(line, "a switch is on or off");
        }
        return value == "on";
    }
    return parsedNumber(value, line);
}

Entry parseEntry(std::string_view line, std::size_t number) {
    const auto kindEnd = line.find_first_of(" \t");
    const std::string_view kind = line.substr(0, kindEnd);
    if (kind != "number" && kind != "text" && kind != "switch") {
        throw LineError(number, "unknown kind \"" + std::string(kind) +
                                    "\" (a line starts with number, text or switch)");
    }
    const std::string_view rest =
        kindEnd == std::string_view::npos ? std::string_view{} : trimmed(line.substr(kindEnd));
    const auto equals = rest.find('=');
    if (equals == std::string_view::npos) {
        throw LineError(number, "no \"=\" between the name and the value");
    }
    Entry entry;
    entry.name = std::string(trimmed(rest.substr(0, equals)));
    if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
        throw LineError(number, "bad name \"" + entry.name + "\": " + problem);
    }
    entry.value = parsedValue(kind, trimmed(rest.substr(equals + 1)), number);
    return entry;
}

}  // namespace

std::string renderText(const Script& script, std::string_view game) {
    for (const char c : game) {
        if (c <= ' ' || c > '~') {
            throw FormatError("a game name is printable ASCII without spaces");
        }
    }
    std::string out(kHeading);
    if (!game.empty()) {
        out.append("# game: ").append(game).append("\n");
    }
    const bool offsets = game == kDebugGame;
    std::size_t offset = kHeaderSize;
    for (const Entry& entry : script.entries) {
        if (offsets) {
            out += "# byte " + std::to_string(offset) + "\n";
        }
        offset += encodedSize(entry);
        out += renderedEntry(entry);
    }
    return out;
}

Script parseText(std::string_view text) {
    Script script;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // written on Windows
        }
        line = trimmed(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (script.entries.size() == kMaxCount) {
            throw LineError(number, "a script holds at most 65535 entries");
        }
        script.entries.push_back(parseEntry(line, number));
    }
    return script;
}

}  // namespace kestrin::demo
