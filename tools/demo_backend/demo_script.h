// SPDX-License-Identifier: MIT
#pragma once
// The demo script format: a made-up format of our own, so that Kestrin can be tried out
// without any real game's files. A script is a list of named values.
//
// Compiled form (".qb"), little-endian:
//   "KDQB"           magic
//   u8               version, 1
//   u16              number of entries
//   entries          u8 kind (1 number, 2 text, 3 switch), u8 name length (1..32), the name
//                    ([A-Za-z_][A-Za-z0-9_]*), then the value: number i32; text u16 length and
//                    its bytes; switch u8 0 or 1
//   u32              FNV-1a checksum of every byte before it
//
// Text form (".txt"): one entry a line, `number lives = 3`, `text title = "Hi\n"`,
// `switch music = on`; blank lines and lines starting with "#" are ignored.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/demo_backend/demo_bytes.h"  // checksum(), which the compiled form ends with

namespace kestrin::demo {

struct Entry {
    using Value = std::variant<std::int32_t, std::string, bool>;  // number, text, switch

    std::string name;
    Value value;

    bool operator==(const Entry&) const = default;
};

struct Script {
    std::vector<Entry> entries;

    bool operator==(const Script&) const = default;
};

// The game that asks for a byte offset above every entry of the text form.
inline constexpr std::string_view kDebugGame = "DEBUG";

// Reads a compiled script; throws FormatError naming what is wrong and where.
Script readScript(std::string_view bytes);
std::string writeScript(const Script& script);

// The text form. The game, when not empty, is noted in the heading; "DEBUG" also puts each
// entry's byte offset above it. Throws FormatError for a game name that is not printable.
std::string renderText(const Script& script, std::string_view game);
// Reads the text form; throws FormatError naming the line and what is wrong with it.
Script parseText(std::string_view text);

}  // namespace kestrin::demo
