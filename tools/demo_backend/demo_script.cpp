#include "tools/demo_backend/demo_script.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "tools/demo_backend/format_error.h"

namespace kestrin::demo {
namespace {

constexpr std::string_view kMagic = "KDQB";
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = 7;  // magic, version, entry count
constexpr std::size_t kChecksumSize = 4;
constexpr std::size_t kMaxNameLength = 32;
constexpr std::size_t kMaxCount = std::numeric_limits<std::uint16_t>::max();
constexpr std::string_view kHeading =
    "# Kestrin demo script: a made-up format for trying Kestrin out, not any game's.\n";

enum Kind : std::uint8_t { kNumber = 1, kText = 2, kSwitch = 3 };

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9');
}

// Empty when name may name an entry, otherwise what is wrong with it.
std::string nameProblem(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) {
        return "a name has 1 to 32 characters";
    }
    if (!isNameStart(name.front())) {
        return "a name starts with a letter or \"_\"";
    }
    for (const char c : name) {
        if (!isNameChar(c)) {
            return "a name holds only letters, digits and \"_\"";
        }
    }
    return {};
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t at() const { return m_at; }
    std::size_t left() const { return m_bytes.size() - m_at; }

    std::string_view take(std::size_t count, std::string_view what) {
        if (left() < count) {
            throw FormatError("ends early at byte " + std::to_string(m_bytes.size()) +
                              ", in the middle of " + std::string(what));
        }
        const auto taken = m_bytes.substr(m_at, count);
        m_at += count;
        return taken;
    }
    std::uint32_t unsignedNumber(std::size_t size, std::string_view what) {
        const std::string_view raw = take(size, what);
        std::uint32_t value = 0;
        for (std::size_t i = size; i-- > 0;) {
            value = (value << 8) | static_cast<unsigned char>(raw[i]);
        }
        return value;
    }

private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

void putNumber(std::string& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (code < 0x20 || code >= 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(code));
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::size_t encodedSize(const Entry& entry) {
    std::size_t size = 2 + entry.name.size();
    if (std::holds_alternative<std::int32_t>(entry.value)) {
        return size + 4;
    }
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
        return size + 2 + text->size();
    }
    return size + 1;
}

class LineError : public FormatError {
public:
    LineError(std::size_t line, const std::string& what)
        : FormatError("line " + std::to_string(line) + ": " + what) {}
};

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
            continue;
        }
        if (++i == value.size()) {
            break;
        }
        switch (value[i]) {
            case '"':
            case '\\':
                text += value[i];
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'x': {
                const int high = i + 1 < value.size() ? hexValue(value[i + 1]) : -1;
                const int low = i + 2 < value.size() ? hexValue(value[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    throw LineError(line, "\\x is followed by two hexadecimal digits");
                }
                text += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                throw LineError(line, std::string("unknown escape \\") + value[i]);
        }
    }
    if (i >= value.size()) {
        throw LineError(line, "the text has no closing double quote");
    }
    if (i + 1 != value.size()) {
        throw LineError(line, "nothing may follow the closing double quote");
    }
    if (text.size() > std::numeric_limits<std::uint16_t>::max()) {
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
    const std::string_view value = trimmed(rest.substr(equals + 1));
    if (kind == "text") {
        entry.value = unquoted(value, number);
    } else if (kind == "switch") {
        if (value != "on" && value != "off") {
            throw LineError(number, "a switch is on or off");
        }
        entry.value = value == "on";
    } else {
        std::int32_t parsed = 0;
        const auto* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, parsed);
        if (value.empty() || error == std::errc::invalid_argument || stop != end) {
            throw LineError(number, "a number is written in decimal digits");
        }
        if (error == std::errc::result_out_of_range) {
            throw LineError(number, "the number does not fit in 32 bits");
        }
        entry.value = parsed;
    }
    return entry;
}

}  // namespace

std::uint32_t checksum(std::string_view bytes) {
    std::uint32_t hash = 2166136261u;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    return hash;
}

Script readScript(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) {
        throw FormatError("not a demo script (it does not start with \"KDQB\")");
    }
    Reader header(bytes);
    header.take(kMagic.size(), "the magic");
    if (const auto version = header.unsignedNumber(1, "the version"); version != kVersion) {
        throw FormatError("version " + std::to_string(version) + " is not known (only 1 is)");
    }
    const std::size_t count = header.unsignedNumber(2, "the entry count");
    header.take(kChecksumSize, "the checksum");
    const std::string_view body = bytes.substr(0, bytes.size() - kChecksumSize);
    Reader stored(bytes.substr(body.size()));
    if (stored.unsignedNumber(kChecksumSize, "the checksum") != checksum(body)) {
        throw FormatError("the checksum does not match: the file is damaged");
    }

    Reader in(body);
    in.take(kHeaderSize, "the header");
    Script script;
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t start = in.at();
        const auto kind = in.unsignedNumber(1, "an entry");
        if (kind != kNumber && kind != kText && kind != kSwitch) {
            throw FormatError("byte " + std::to_string(start) + ": unknown entry kind " +
                              std::to_string(kind));
        }
        Entry entry;
        entry.name = std::string(in.take(in.unsignedNumber(1, "an entry"), "an entry's name"));
        if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
            throw FormatError("byte " + std::to_string(start) + ": bad name: " + problem);
        }
        if (kind == kNumber) {
            entry.value = static_cast<std::int32_t>(in.unsignedNumber(4, "a number"));
        } else if (kind == kText) {
            entry.value = std::string(in.take(in.unsignedNumber(2, "a text"), "a text"));
        } else {
            const auto on = in.unsignedNumber(1, "a switch");
            if (on > 1) {
                throw FormatError("byte " + std::to_string(start) + ": a switch is 0 or 1, not " +
                                  std::to_string(on));
            }
            entry.value = on == 1;
        }
        script.entries.push_back(std::move(entry));
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
        if (const std::string problem = nameProblem(entry.name); !problem.empty()) {
            throw FormatError("bad name \"" + entry.name + "\": " + problem);
        }
        const std::size_t kindAt = out.size();
        out += '\0';
        putNumber(out, static_cast<std::uint32_t>(entry.name.size()), 1);
        out += entry.name;
        if (const auto* number = std::get_if<std::int32_t>(&entry.value)) {
            out[kindAt] = static_cast<char>(kNumber);
            putNumber(out, static_cast<std::uint32_t>(*number), 4);
        } else if (const auto* text = std::get_if<std::string>(&entry.value)) {
            if (text->size() > std::numeric_limits<std::uint16_t>::max()) {
                throw FormatError("the text of \"" + entry.name + "\" is over 65535 bytes");
            }
            out[kindAt] = static_cast<char>(kText);
            putNumber(out, static_cast<std::uint32_t>(text->size()), 2);
            out += *text;
        } else {
            out[kindAt] = static_cast<char>(kSwitch);
            putNumber(out, std::get<bool>(entry.value) ? 1 : 0, 1);
        }
    }
    putNumber(out, checksum(out), kChecksumSize);
    return out;
}

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
        if (const auto* number = std::get_if<std::int32_t>(&entry.value)) {
            out += "number " + entry.name + " = " + std::to_string(*number) + "\n";
        } else if (const auto* text = std::get_if<std::string>(&entry.value)) {
            out += "text " + entry.name + " = " + quoted(*text) + "\n";
        } else {
            out += "switch " + entry.name + " = " + (std::get<bool>(entry.value) ? "on" : "off") +
                   "\n";
        }
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
