// SPDX-License-Identifier: MIT
#include "backend/command_lines.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "backend/characters.h"

namespace kestrin::backend {
namespace {

bool isUnsafe(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20) {
        return c != '\t';
    }
    return code == 0x7F || std::string_view("&|<>^%!\"").find(c) != std::string_view::npos;
}

enum class Kind { Backend, FileName, Game };

struct Field {
    const char* label;
    std::string_view value;
    Kind kind;
};

std::string refusal(const Field& field, const std::string& why) {
    return std::string(field.label) + " \"" + visibleForm(field.value) + "\" " + why +
           "\nNothing was started.";
}

std::string interpreterRefusal(const Field& field) {
    const std::string found = unsafeCharacters(field.value);
    if (found.empty()) {
        return {};
    }
    std::string listed;
    for (const char c : found) {
        listed += (listed.empty() ? "" : " ") + visibleForm(std::string_view(&c, 1));
    }
    return refusal(field, "holds characters that the command interpreter would act on: " + listed);
}

std::string formatRefusal(const Field& field) {
    const std::vector<char32_t> found = formatCharacters(field.value);
    if (found.empty()) {
        return {};
    }
    std::string listed;
    for (const char32_t codePoint : found) {
        listed += (listed.empty() ? "" : " ") + codePointName(codePoint);
    }
    return refusal(field,
                   "holds format characters, which are invisible or change how the text around "
                   "them shows: " +
                       listed);
}

bool isBlank(std::string_view value) {
    return value.find_first_not_of(" \t") == std::string_view::npos;
}

// A line takes a value word by word: a file name must be exactly one word that is no option.
std::string shapeRefusal(const Field& field) {
    if (field.kind == Kind::Backend && isBlank(field.value)) {
        return std::string(field.label) +
               " is blank: the next word of the command line would be started as the program."
               "\nNothing was started.";
    }
    if (field.kind != Kind::FileName) {
        return {};
    }
    if (isBlank(field.value)) {
        return refusal(field,
                       "is blank: the command line would hold only its ending, which names a "
                       "hidden file. Rename the file.");
    }
    if (field.value.find_first_of(" \t") != std::string_view::npos) {
        return refusal(field,
                       "holds a space or a tab: the backend would get it as several arguments. "
                       "Rename the file.");
    }
    if (field.value.starts_with('-')) {
        return refusal(field,
                       "begins with \"-\": the backend would take it as an option. Rename the "
                       "file.");
    }
    return {};
}

// The first refusal, kind by kind (the characters the command interpreter acts on, the most
// harmful, first) and within a kind in line order.
std::string firstRefusal(std::initializer_list<Field> fields) {
    for (const auto check : {interpreterRefusal, formatRefusal, shapeRefusal}) {
        for (const Field& field : fields) {
            if (std::string found = check(field); !found.empty()) {
                return found;
            }
        }
    }
    return {};
}

constexpr const char* kBackendLabel = "The backend name";
constexpr const char* kFileLabel = "The file name";

}  // namespace

std::string unsafeCharacters(std::string_view value) {
    std::string found;
    for (const char c : value) {
        if (isUnsafe(c) && found.find(c) == std::string::npos) {
            found += c;
        }
    }
    return found;
}

platform::Result<std::string> decompileLine(std::string_view backend, std::string_view input,
                                            std::string_view game, std::string_view output) {
    if (input.empty() || output.empty()) {
        return platform::Failure{std::string(kNoFileToDecompile)};
    }
    if (auto refused = firstRefusal({{kBackendLabel, backend, Kind::Backend},
                                     {kFileLabel, input, Kind::FileName},
                                     {"The game entry", game, Kind::Game},
                                     {kFileLabel, output, Kind::FileName}});
        !refused.empty()) {
        return platform::Failure{std::move(refused)};
    }
    std::string line = "cmd /c ";
    line.append(backend).append(" -d ").append(input).append(".qb ");
    line.append(game).append(" > ").append(output).append(".txt");
    return line;
}

platform::Result<std::string> compileLine(std::string_view backend, std::string_view input) {
    if (input.empty()) {
        return platform::Failure{std::string(kNoFileToCompile)};
    }
    if (auto refused = firstRefusal(
            {{kBackendLabel, backend, Kind::Backend}, {kFileLabel, input, Kind::FileName}});
        !refused.empty()) {
        return platform::Failure{std::move(refused)};
    }
    std::string line = "cmd /c ";
    line.append(backend).append(" -c ").append(input).append(".txt");
    return line;
}

platform::Result<std::string> unpackLine(std::string_view backend, std::string_view archive) {
    if (auto refused = shapeRefusal({kBackendLabel, backend, Kind::Backend}); !refused.empty()) {
        return platform::Failure{std::move(refused)};
    }
    std::string line(backend);
    line.append(" -p x ").append(archive);
    return line;
}

}  // namespace kestrin::backend
