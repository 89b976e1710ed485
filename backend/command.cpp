// SPDX-License-Identifier: MIT
#include "backend/command.h"

#include <algorithm>
#include <initializer_list>

#include "backend/program_search.h"
#include "backend/texts.h"
#include "common/text.h"
#include "platform/names.h"

namespace kestrin::backend {
namespace {

constexpr std::string_view kBlanks = " \t";

bool actsOnIt(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code < 0x20
               ? c != '\t'
               : code == 0x7F || std::string_view("&|<>^%!\"").find(c) != std::string_view::npos;
}

// cmd.exe ends a word here as at a blank: a program's name, the file after ">", a batch argument.
bool breaksAWord(char c) {
    return std::string_view(",;=").find(c) != std::string_view::npos;
}

// The bytes of value that are, each once, in order of first appearance.
std::string eachOnce(std::string_view value, bool (*are)(char)) {
    std::string found;
    for (const char c : value) {
        if (are(c) && found.find(c) == std::string::npos) {
            found += c;
        }
    }
    return found;
}

bool isBlank(std::string_view value) {
    return value.find_first_not_of(kBlanks) == std::string_view::npos;
}

enum class Kind { Backend, FileName, Game, Archive };

struct Field {
    std::string_view label;
    std::string_view value;
    Kind kind;
};

// The refusal of field for the characters found, in the words why gives; none when none are.
template <typename Found, typename Why>
std::string refusedFor(const Field& field, const Found& found, Why why) {
    return found.empty() ? std::string() : refusal(field.label, field.value, why(found));
}

std::string actedOnRefusal(const Field& field) {
    return refusedFor(field, interpreterCharacters(field.value), actedOnByInterpreter);
}

std::string hiddenRefusal(const Field& field) {
    return refusedFor(field, hiddenCharacters(field.value), doesNotShowAsItself);
}

// A line takes a value word by word: a file name must be exactly one word that is no option.
std::string shapeRefusal(const Field& field) {
    if (field.kind == Kind::Backend && isBlank(field.value)) {
        return blankBackend(field.label);
    }
    if (field.kind != Kind::FileName) {
        return {};
    }
    const std::string_view value = field.value;
    const std::string_view why = isBlank(value)                               ? kBlankFileName
                                 : value.find_first_of(kBlanks) != value.npos ? kBlanksInFileName
                                 : value.starts_with('-') ? kFileNameLikeAnOption
                                                          : "";
    return why.empty() ? std::string() : refusal(field.label, value, why);
}

std::string wordBreakRefusal(const Field& field) {
    return refusedFor(field, eachOnce(field.kind == Kind::Game ? "" : field.value, breaksAWord),
                      readAsWordBreak);
}

// COM and LPT take the digits 1 to 9 and the superscripts 1, 2 and 3.
bool isDevice(std::string_view stem) {
    const std::string_view number = stem.substr(std::min<std::size_t>(3, stem.size()));
    return stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" ||
           ((stem.starts_with("COM") || stem.starts_with("LPT")) &&
            ((number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
             number == "\xC2\xB2" || number == "\xC2\xB3"));
}

// Windows reads a name as a device by its start up to the first "." or ":", in every folder of a
// path and every word of a field.
std::string deviceRefusal(const Field& field) {
    if (kSystemRules != NameRules::Windows || field.kind == Kind::Game) {
        return {};
    }
    const std::string_view value = field.value;
    for (std::size_t at = 0; at <= value.size();) {
        const std::size_t end = std::min(value.find_first_of("\\/ \t", at), value.size());
        std::string stem(value.substr(at, std::min(value.find_first_of(".:", at), end) - at));
        std::transform(stem.begin(), stem.end(), stem.begin(), upperAscii);
        if (isDevice(stem)) {
            return refusal(field.label, field.value, namesADevice(stem));
        }
        at = end + 1;
    }
    return {};
}

std::string codePageRefusal(const Field& field) {
    return refusedFor(field, platform::changedByCodePage(field.value), [](const auto& found) {
        return notInCodePage(found, platform::activeCodePage());
    });
}

using Check = std::string (*)(const Field&);

// The command, or its first refusal: check by check (the characters the command interpreter acts
// on, the most harmful, first), and within a check in line order.
Result<Command> checked(Command command, std::initializer_list<Field> fields,
                        std::initializer_list<Check> checks = {actedOnRefusal, hiddenRefusal,
                                                               shapeRefusal, wordBreakRefusal,
                                                               deviceRefusal, codePageRefusal}) {
    for (const Check check : checks) {
        for (const Field& field : fields) {
            if (std::string found = check(field); !found.empty()) {
                return Failure{std::move(found)};
            }
        }
    }
    return command;
}

void appendWords(std::string_view text, std::vector<std::string>& words) {
    std::size_t at = 0;
    while ((at = text.find_first_not_of(kBlanks, at)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(kBlanks, at), text.size());
        words.emplace_back(text.substr(at, end - at));
        at = end;
    }
}

// cmd.exe's own commands, each between blanks. It runs one for a first word that starts with its
// name, in any case, up to a character it ends a command's name at: "echo.exe", "Dir", "type,x".
constexpr std::string_view kOwnCommands =
    " ASSOC BREAK CALL CD CHDIR CLS COLOR COPY DATE DEL DIR DPATH ECHO ENDLOCAL ERASE EXIT FOR "
    "FTYPE GOTO IF KEYS MD MKDIR MKLINK MOVE PATH PAUSE POPD PROMPT PUSHD RD REM REN RENAME RMDIR "
    "SET SETLOCAL SHIFT START TIME TITLE TYPE VER VERIFY VOL ";

std::size_t utf16Length(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t at = 0; at < text.size(); at += decodeUtf8(text, at).length) {
        length += decodeUtf8(text, at).codePoint > 0xFFFF ? 2 : 1;
    }
    return length;
}

}  // namespace

std::string Command::text() const {
    std::string line = interpreted ? "cmd /c " : "";
    line += program;
    for (const std::string& argument : arguments) {
        line.append(" ").append(argument);
    }
    if (output) {
        line.append(" > ").append(*output);
    }
    return line;
}

std::vector<std::string> Command::words() const {
    std::vector<std::string> found;
    appendWords(program, found);
    for (const std::string& argument : arguments) {
        appendWords(argument, found);
    }
    return found;
}

std::string interpreterCharacters(std::string_view value) {
    return eachOnce(value, actsOnIt);
}

Result<Command> decompile(std::string_view backend, std::string_view input, std::string_view game,
                          std::string_view output) {
    if (input.empty() || output.empty()) {
        return Failure{std::string(kNoFileToDecompile)};
    }
    return checked({std::string(backend),
                    {"-d", std::string(input) + ".qb", std::string(game)},
                    std::string(output) + ".txt",
                    true},
                   {{kBackendLabel, backend, Kind::Backend},
                    {kFileLabel, input, Kind::FileName},
                    {kGameLabel, game, Kind::Game},
                    {kFileLabel, output, Kind::FileName}});
}

Result<Command> compile(std::string_view backend, std::string_view input) {
    if (input.empty()) {
        return Failure{std::string(kNoFileToCompile)};
    }
    return checked({std::string(backend), {"-c", std::string(input) + ".txt"}, std::nullopt, true},
                   {{kBackendLabel, backend, Kind::Backend}, {kFileLabel, input, Kind::FileName}});
}

Result<Command> unpack(std::string_view backend, std::string_view archive) {
    return checked(
        {std::string(backend), {"-p", "x", std::string(archive)}, std::nullopt, false},
        {{kBackendLabel, backend, Kind::Backend}, {kArchiveLabel, archive, Kind::Archive}},
        {shapeRefusal, deviceRefusal, codePageRefusal});
}

std::string interpreterRefusal(std::string_view program, std::string_view folder) {
    std::string name(program.substr(0, program.find_first_of(".\\:+/[](,;=")));
    std::transform(name.begin(), name.end(), name.begin(), upperAscii);
    if (kOwnCommands.find(" " + name + " ") != std::string_view::npos) {
        return interpreterCommand(program, name);
    }
    if (program.find('/') != std::string_view::npos) {
        return cannotStart(program, kSlashInProgram);
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
