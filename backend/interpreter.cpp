// SPDX-License-Identifier: MIT
#include "backend/interpreter.h"

#include <algorithm>
#include <array>

#include "backend/texts.h"
#include "common/text.h"

namespace kestrin::backend {
namespace {

// cmd.exe's own commands. It runs one for a first word that starts with its name, in any case,
// up to a character it ends a command's name at: "echo.exe", "Dir", "type,x".
constexpr std::array<std::string_view, 45> kOwnCommands = {
    "ASSOC",    "BREAK",  "CALL",  "CD",   "CHDIR",    "CLS",    "COLOR",  "COPY",   "DATE",
    "DEL",      "DIR",    "DPATH", "ECHO", "ENDLOCAL", "ERASE",  "EXIT",   "FOR",    "FTYPE",
    "GOTO",     "IF",     "KEYS",  "MD",   "MKDIR",    "MKLINK", "MOVE",   "PATH",   "PAUSE",
    "POPD",     "PROMPT", "PUSHD", "RD",   "REM",      "REN",    "RENAME", "RMDIR",  "SET",
    "SETLOCAL", "SHIFT",  "START", "TIME", "TITLE",    "TYPE",   "VER",    "VERIFY", "VOL"};
constexpr std::string_view kCommandEnds = ".\\:+/[](,;=";

std::size_t utf16Length(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size();) {
        const Utf8Character character = decodeUtf8(text, at);
        length += character.codePoint > 0xFFFF ? 2 : 1;
        at += character.length;
    }
    return length;
}

}  // namespace

std::string interpreterRefusal(std::string_view program, std::string_view folder) {
    std::string name(program.substr(0, program.find_first_of(kCommandEnds)));
    std::transform(name.begin(), name.end(), name.begin(), upperAscii);
    if (std::find(kOwnCommands.begin(), kOwnCommands.end(), name) != kOwnCommands.end()) {
        return interpreterCommand(program, name);
    }
    if (program.find('/') != std::string_view::npos) {
        return slashInProgram(program);
    }
    // "@" hides a command's echo and "(" opens a block: neither is part of the name.
    if (program.starts_with('@') || program.starts_with('(')) {
        return markInFront(program);
    }
    if (folder.starts_with("\\\\")) {
        return networkFolder(program, folder);
    }
    if (const std::size_t length = utf16Length(folder); length > kInterpreterFolderLimit) {
        return folderTooLong(program, length, kInterpreterFolderLimit);
    }
    return {};
}

}  // namespace kestrin::backend
