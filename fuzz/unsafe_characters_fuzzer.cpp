// SPDX-License-Identifier: MIT
// The refusal checks of the line builders (backend/command_lines.h) against plain references, and
// the promise they back: a line that was not refused holds nothing cmd.exe would act on and
// nothing that shows as something else, reads as one program with one output file, and hands
// the backend each file name as exactly one argument that is no option.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backend/characters.h"
#include "backend/command_lines.h"
#include "fuzz/fuzz_check.h"
#include "platform/command_line.h"
#include "platform/file_names.h"

namespace {

using kestrin::fuzz::require;

// Each character cmd.exe acts on, once, in order of first appearance.
std::string reference(std::string_view value) {
    const std::string_view special = "&|<>^%!\"";
    std::string found;
    for (const char c : value) {
        const int code = static_cast<unsigned char>(c);
        const bool control = (code < 0x20 && code != '\t') || code == 0x7F;
        const bool unsafe = control || special.find(c) != std::string_view::npos;
        if (unsafe && found.find(c) == std::string::npos) {
            found.push_back(c);
        }
    }
    return found;
}

// The format characters of value by a walk through the whole table, each once, in order.
std::vector<char32_t> formatReference(std::string_view value) {
    std::vector<char32_t> found;
    for (std::size_t at = 0; at < value.size();) {
        const auto character = kestrin::platform::decodeUtf8(value, at);
        at += character.length;
        const bool format =
            character.valid &&
            std::any_of(std::begin(kestrin::backend::kFormatCharacterRanges),
                        std::end(kestrin::backend::kFormatCharacterRanges), [&](const auto& range) {
                            return range.first <= character.codePoint &&
                                   character.codePoint <= range.last;
                        });
        if (format && std::find(found.begin(), found.end(), character.codePoint) == found.end()) {
            found.push_back(character.codePoint);
        }
    }
    return found;
}

// The input as four field values, split at 0xFF bytes (never valid UTF-8).
std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> parts;
    while (parts.size() < 3) {
        const auto at = text.find('\xFF');
        if (at == std::string_view::npos) {
            break;
        }
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.push_back(text);
    parts.resize(4);
    return parts;
}

std::size_t wordCount(std::string_view text) {
    std::size_t count = 0;
    bool inWord = false;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\t';
        count += !blank && !inWord ? 1 : 0;
        inWord = !blank;
    }
    return count;
}

// A built line shows as itself, and after the backend's own words the backend gets option, then
// the file name with its ending as one argument.
void requireFileArgument(const std::string& line, std::string_view backend, const char* option,
                         std::string_view file) {
    require(kestrin::backend::visibleForm(line) == line, "a built line shows as itself");
    require(kestrin::backend::formatCharacters(line).empty(),
            "a built line holds no format character");
    const auto parsed = kestrin::platform::parseCommandLine(line);
    require(parsed.ok(), "a line that was not refused reads without an error");
    const std::size_t words = wordCount(backend);
    require(words > 0, "a line that was not refused names a program");
    require(parsed->arguments.size() >= words + 2 && parsed->arguments[words] == option &&
                parsed->arguments[words + 1] == file,
            "the file name reaches the backend as one argument, right after its option");
    require(!file.starts_with('-'), "no file argument looks like an option");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    require(kestrin::backend::unsafeCharacters(input) == reference(input),
            "unsafeCharacters agrees with the reference");
    require(kestrin::backend::formatCharacters(input) == formatReference(input),
            "formatCharacters agrees with the reference");

    const auto values = fields(input);
    const bool blankBackend = values[0].find_first_not_of(" \t") == std::string_view::npos;
    require(kestrin::backend::unpackLine(values[0], values[1]).ok() != blankBackend,
            "Unpack refuses a blank backend and nothing else");

    const auto built = kestrin::backend::decompileLine(values[0], values[1], values[2], values[3]);
    if (!built) {
        require(!built.message().empty(), "a refusal says why");
    } else {
        std::string line = *built;
        require(std::count(line.begin(), line.end(), '>') == 1, "the only > is the redirection");
        line.erase(line.find('>'), 1);
        require(reference(line).empty(),
                "a line that was not refused holds no other unsafe character");
        requireFileArgument(*built, values[0], "-d", std::string(values[1]) + ".qb");
        const auto parsed = kestrin::platform::parseCommandLine(*built);
        require(parsed->outputFile == std::string(values[3]) + ".txt",
                "the output file is the output name, whole");
    }

    const auto compile = kestrin::backend::compileLine(values[0], values[1]);
    if (compile) {
        requireFileArgument(*compile, values[0], "-c", std::string(values[1]) + ".txt");
        const auto read = kestrin::platform::parseCommandLine(*compile);
        require(!read->outputFile, "a compile line runs without output");
    }
    return 0;
}
