// SPDX-License-Identifier: MIT
#include "tools/demo_backend/demo_archive.h"

#include <fstream>
#include <limits>
#include <set>

#include "tools/demo_backend/demo_bytes.h"
#include "tools/demo_backend/format_error.h"
#include "tools/demo_backend/utf8_path.h"

namespace kestrin::demo {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "KDPK";
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kMaxNameLength = 255;
constexpr std::size_t kChecksumSize = 4;

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

void refuseBadName(const std::string& name) {
    if (const std::string problem = memberNameProblem(name); !problem.empty()) {
        throw FormatError("member \"" + name + "\" is refused: it has " + problem);
    }
}

Member readMember(ByteReader& in, std::set<std::string, std::less<>>& names) {
    Member member;
    member.name = std::string(in.take(in.unsignedNumber(2, "a member's name"), "a member's name"));
    refuseBadName(member.name);
    if (!names.insert(member.name).second) {
        throw FormatError("member \"" + member.name + "\" is there twice");
    }
    member.bytes = std::string(in.take(in.unsignedNumber(4, "a member"), "a member"));
    return member;
}

// The places an archive's members take below the folder, all checked before anything is
// written, so that a refused archive changes nothing.
class Places {
public:
    // Notes place as the member's file (last) or as a folder on the way to it; throws
    // FormatError where it would go through a symbolic link or clash with what is there or with
    // an earlier member.
    void claim(const std::string& member, const fs::path& place, bool last) {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(place, error);
        if (fs::is_symlink(status)) {
            throw FormatError("member \"" + member +
                              "\" would be written through the symbolic link \"" + shown(place) +
                              "\"");
        }
        const bool clash =
            last ? fs::is_directory(status) || m_folders.contains(place)
                 : (fs::exists(status) && !fs::is_directory(status)) || m_files.contains(place);
        if (clash) {
            throw FormatError("member \"" + member + "\" clashes with \"" + shown(place) + "\"");
        }
        (last ? m_files : m_folders).insert(place);
    }

private:
    std::set<fs::path> m_files;
    std::set<fs::path> m_folders;
};

void writeMember(const Member& member, const fs::path& folder) {
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
    ByteReader in(unsealed(bytes));
    in.take(kMagic.size(), "the header");
    if (const auto version = in.unsignedNumber(1, "the header"); version != kVersion) {
        throw FormatError("version " + std::to_string(version) + " is not known (only 1 is)");
    }
    const std::size_t count = in.unsignedNumber(2, "the header");
    std::vector<Member> members;
    std::set<std::string, std::less<>> names;
    for (std::size_t index = 0; index < count; ++index) {
        members.push_back(readMember(in, names));
    }
    if (in.left() != 0) {
        throw FormatError(std::to_string(in.left()) + " bytes left over after member " +
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
    seal(out);
    return out;
}

void unpack(const std::vector<Member>& members, const fs::path& folder) {
    Places places;
    for (const Member& member : members) {
        refuseBadName(member.name);
        fs::path place = folder;
        const auto names = parts(member.name);
        for (std::size_t i = 0; i < names.size(); ++i) {
            place /= fromUtf8(names[i]);
            places.claim(member.name, place, i + 1 == names.size());
        }
    }
    for (const Member& member : members) {
        writeMember(member, folder);
    }
}

}  // namespace kestrin::demo
