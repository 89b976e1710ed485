// The unsafe-characters check (backend::unsafeCharacters) against a plain reference, and the
// promise it backs: a line that was not refused holds nothing cmd.exe would act on and reads as
// one program with one output file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backend/command_lines.h"
#include "fuzz/fuzz_check.h"
#include "platform/command_line.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    require(kestrin::backend::unsafeCharacters(input) == reference(input),
            "unsafeCharacters agrees with the reference");

    const auto values = fields(input);
    const auto built = kestrin::backend::decompileLine(values[0], values[1], values[2], values[3]);
    if (!built) {
        require(!built.message().empty(), "a refusal says why");
        return 0;
    }
    std::string line = *built;
    require(std::count(line.begin(), line.end(), '>') == 1, "the only > is the redirection");
    line.erase(line.find('>'), 1);
    require(reference(line).empty(), "a line that was not refused holds no other unsafe character");
    const auto parsed = kestrin::platform::parseCommandLine(*built);
    require(parsed.ok(), "a line that was not refused reads without an error");
    require(parsed && parsed->outputFile.has_value(), "a decompile line names its output file");

    const auto compile = kestrin::backend::compileLine(values[0], values[1]);
    if (compile) {
        const auto read = kestrin::platform::parseCommandLine(*compile);
        require(read && !read->outputFile, "a compile line runs without output");
    }
    return 0;
}
