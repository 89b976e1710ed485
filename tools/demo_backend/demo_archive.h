// SPDX-License-Identifier: MIT
#pragma once
// The demo archive format (".kpk"), made up like the demo scripts, little-endian:
//   "KDPK"           magic
//   u8               version, 1
//   u16              number of members
//   members          u16 name length (1..255), the name (a relative path, "/" between folders),
//                    u32 size, the bytes
//   u32              FNV-1a checksum of every byte before it

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::demo {

struct Member {
    std::string name;
    std::string bytes;

    bool operator==(const Member&) const = default;
};

// Empty when name may be unpacked, otherwise why not. A name must stay inside the folder it is
// unpacked into: no absolute paths, drive letters or ".." folders, no "\" (which Windows reads as
// a folder separator), no empty, "." or control-character parts.
std::string memberNameProblem(std::string_view name);

// Reads an archive, names included; throws FormatError naming what is wrong.
std::vector<Member> readArchive(std::string_view bytes);
std::string writeArchive(const std::vector<Member>& members);

// Writes every member below folder, making folders as needed and replacing files of the same
// name. Nothing is written when a member would replace a folder or go through a symbolic link,
// since a link may lead out of the folder; throws FormatError then.
void unpack(const std::vector<Member>& members, const std::filesystem::path& folder);

}  // namespace kestrin::demo
