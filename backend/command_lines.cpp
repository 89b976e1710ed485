#include "backend/command_lines.h"

#include <initializer_list>

#include "backend/shown_text.h"

namespace kestrin::backend {
namespace {

bool isUnsafe(char c) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 0x20) {
        return c != '\t';
    }
    return code == 0x7F || std::string_view("&|<>^%!\"").find(c) != std::string_view::npos;
}

struct Field {
    const char* label;
    std::string_view value;
};

// The refusal for the first field that holds unsafe characters, or an empty text.
std::string unsafeRefusal(std::initializer_list<Field> fields) {
    for (const auto& field : fields) {
        const std::string found = unsafeCharacters(field.value);
        if (found.empty()) {
            continue;
        }
        std::string listed;
        for (const char c : found) {
            if (!listed.empty()) {
                listed += ' ';
            }
            listed += visible(std::string_view(&c, 1));
        }
        return std::string(field.label) + " \"" + visible(field.value) +
               "\" holds characters that the command interpreter would act on: " + listed +
               "\nNothing was started.";
    }
    return {};
}

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
    if (auto unsafe = unsafeRefusal({{"The backend name", backend},
                                     {"The file name", input},
                                     {"The game entry", game},
                                     {"The file name", output}});
        !unsafe.empty()) {
        return platform::Failure{std::move(unsafe)};
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
    if (auto unsafe = unsafeRefusal({{"The backend name", backend}, {"The file name", input}});
        !unsafe.empty()) {
        return platform::Failure{std::move(unsafe)};
    }
    std::string line = "cmd /c ";
    line.append(backend).append(" -c ").append(input).append(".txt");
    return line;
}

std::string unpackLine(std::string_view backend, std::string_view archive) {
    std::string line(backend);
    line.append(" -p x ").append(archive);
    return line;
}

}  // namespace kestrin::backend
