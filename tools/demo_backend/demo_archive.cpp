#include "tools/demo_backend/demo_archive.h"

#include <fstream>
#include <limits>
#include <set>

#include "tools/demo_backend/demo_script.h"
#include "tools/demo_backend/format_error.h"

namespace kestrin::demo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "KDPK";
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kChecksumSize = 4;

std::uint32_t readNumber(std::string_view bytes, std::size_t& at, std::size_t size,
                         std::string_view what) {
    if (bytes.size() - at < size) {
        throw FormatError("ends early, in the middle of " + std::string(what));
    }
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    at += size;
    return value;
}

std::string_view readBytes(std::string_view bytes, std::size_t& at, std::size_t size,
                           std::string_view what) {
    if (bytes.size() - at < size) {
        throw FormatError("ends early, in the middle of " + std::string(what));
    }
    const auto taken = bytes.substr(at, size);
    at += size;
    return taken;
}

void putNumber(std::string& out, std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::vector<std::string_view> parts(std::string_view name) {
    std::vector<std::string_view> found;
    while (true) {
        const auto slash = name.find('/');
        found.push_back(name.substr(0, slash));
        if (slash == std::string_view::npos) {
            return found;
        }
        name.remove_prefix(slash + 1);
    }
}

fs::path fromUtf8(std::string_view name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

std::string shown(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace

std::string memberNameProblem(std::string_view name) {
    if (name.empty()) {
        return "an empty name";
    }
    if (name.size() > kMaxNameLength) {
        return "a name longer than 255 bytes";
    }
    if (name.front() == '/') {
        return "an absolute path";
    }
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x20 || code == 0x7F) {
            return "a control character";
        }
        if (c == '\\') {
            return "a \"\\\"";
        }
        if (c == ':') {
            return "a \":\" (a drive letter or stream on Windows)";
        }
    }
    for (const std::string_view part : parts(name)) {
        if (part == "..") {
            return "a \"..\" that leads out of the folder";
        }
        if (part.empty() || part == ".") {
            return "an empty or \".\" part";
        }
    }
    return {};
}

std::vector<Member> readArchive(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) {
        throw FormatError("not a demo archive (it does not start with \"KDPK\")");
    }
    if (bytes.size() < kMagic.size() + 3 + kChecksumSize) {
        throw FormatError("ends early, in the middle of the header");
    }
    const std::string_view body = bytes.substr(0, bytes.size() - kChecksumSize);
    std::size_t at = body.size();
    if (readNumber(bytes, at, kChecksumSize, "the checksum") != checksum(body)) {
        throw FormatError("the checksum does not match: the file is damaged");
    }
    at = kMagic.size();
    if (const auto version = readNumber(body, at, 1, "the header"); version != kVersion) {
        throw FormatError("version " + std::to_string(version) + " is not known (only 1 is)");
    }
    const std::size_t count = readNumber(body, at, 2, "the header");
    std::vector<Member> members;
    std::set<std::string, std::less<>> names;
    for (std::size_t index = 0; index < count; ++index) {
        Member member;
        member.name = std::string(
            readBytes(body, at, readNumber(body, at, 2, "a member's name"), "a member's name"));
        if (const std::string problem = memberNameProblem(member.name); !problem.empty()) {
            throw FormatError("member \"" + member.name + "\" is refused: it has " + problem);
        }
        if (!names.insert(member.name).second) {
            throw FormatError("member \"" + member.name + "\" is there twice");
        }
        member.bytes =
            std::string(readBytes(body, at, readNumber(body, at, 4, "a member"), "a member"));
        members.push_back(std::move(member));
    }
    if (at != body.size()) {
        throw FormatError(std::to_string(body.size() - at) + " bytes left over after member " +
                          std::to_string(count));
    }
    return members;
}

std::string writeArchive(const std::vector<Member>& members) {
    if (members.size() > std::numeric_limits<std::uint16_t>::max()) {
        throw FormatError("an archive holds at most 65535 members");
    }
    std::string out(kMagic);
    putNumber(out, kVersion, 1);
    putNumber(out, static_cast<std::uint32_t>(members.size()), 2);
    for (const Member& member : members) {
        if (const std::string problem = memberNameProblem(member.name); !problem.empty()) {
            throw FormatError("member \"" + member.name + "\" has " + problem);
        }
        if (member.bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
            throw FormatError("member \"" + member.name + "\" is over 4 GiB");
        }
        putNumber(out, static_cast<std::uint32_t>(member.name.size()), 2);
        out += member.name;
        putNumber(out, static_cast<std::uint32_t>(member.bytes.size()), 4);
        out += member.bytes;
    }
    putNumber(out, checksum(out), kChecksumSize);
    return out;
}

void unpack(const std::vector<Member>& members, const fs::path& folder) {
    // Every place is checked before anything is written, so a refused archive changes nothing.
    std::set<fs::path> files;
    std::set<fs::path> folders;
    for (const Member& member : members) {
        if (const std::string problem = memberNameProblem(member.name); !problem.empty()) {
            throw FormatError("member \"" + member.name + "\" is refused: it has " + problem);
        }
        fs::path place = folder;
        const auto names = parts(member.name);
        for (std::size_t i = 0; i < names.size(); ++i) {
            place /= fromUtf8(names[i]);
            const bool last = i + 1 == names.size();
            std::error_code error;
            const fs::file_status status = fs::symlink_status(place, error);
            if (fs::is_symlink(status)) {
                throw FormatError("member \"" + member.name +
                                  "\" would be written through the "
                                  "symbolic link \"" +
                                  shown(place) + "\"");
            }
            const bool clash =
                last ? fs::is_directory(status) || folders.contains(place)
                     : (fs::exists(status) && !fs::is_directory(status)) || files.contains(place);
            if (clash) {
                throw FormatError("member \"" + member.name + "\" clashes with \"" + shown(place) +
                                  "\"");
            }
            (last ? files : folders).insert(place);
        }
    }
    for (const Member& member : members) {
        const fs::path target = folder / fromUtf8(member.name);
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        if (error) {
            throw FormatError("cannot make the folder \"" + shown(target.parent_path()) +
                              "\": " + error.message());
        }
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(member.bytes.data(), static_cast<std::streamsize>(member.bytes.size()));
        out.close();
        if (!out) {
            throw FormatError("cannot write \"" + shown(target) + "\"");
        }
    }
}

}  // namespace kestrin::demo
