// SPDX-License-Identifier: MIT
// The command builders (backend/command.h) against plain references: what they refuse, and the
// promise a command that was not refused keeps. Its line is the fields joined as they stand; it
// holds nothing cmd.exe would act on and no hidden character; the words POSIX
// starts are the words cmd.exe and the C runtime make of that line; and each file name reaches
// the backend as exactly one argument that is no option, and no file or program name holds a
// character cmd.exe ends a word at.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "backend/command.h"
#include "common/text.h"
#include "fuzz/fuzz_check.h"

namespace {

using kestrin::fuzz::require;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Each character cmd.exe acts on, once, in order of first appearance.
std::string actedOn(std::string_view value) {
    const std::string_view special = "&|<>^%!\"";
    std::string found;
    for (const char c : value) {
        const int code = static_cast<unsigned char>(c);
        const bool control = (code < 0x20 && c != '\t') || code == 0x7F;
        if ((control || special.find(c) != std::string_view::npos) &&
            found.find(c) == std::string::npos) {
            found.push_back(c);
        }
    }
    return found;
}

// The hidden characters of value by a walk through the whole table, each once, in order.
std::vector<char32_t> hidden(std::string_view value) {
    std::vector<char32_t> found;
    for (std::size_t at = 0; at < value.size();) {
        const auto character = kestrin::decodeUtf8(value, at);
        at += character.length;
        const bool listed =
            character.valid && std::any_of(std::begin(kestrin::kHiddenRanges),
                                           std::end(kestrin::kHiddenRanges), [&](const auto& r) {
                                               return r.first <= character.codePoint &&
                                                      character.codePoint <= r.last;
                                           });
        if (listed && std::find(found.begin(), found.end(), character.codePoint) == found.end()) {
            found.push_back(character.codePoint);
        }
    }
    return found;
}

// How cmd.exe and a program's C runtime read a line without quotes: runs of blanks split it.
std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : line) {
        if (!isBlank(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(word);
            word.clear();
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
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

// A command that was not refused: what its line promises.
void requireSound(const kestrin::backend::Command& command, const std::string& expectedLine,
                  std::string_view backend, const char* option, const std::string& file) {
    const std::string line = command.text();
    require(line == expectedLine, "the line is the fields joined as they stand");
    // A hidden character is refused; a typed "U+200B" is the user's own text and is kept.
    require(kestrin::hiddenCharacters(line).empty(), "a built line holds no hidden character");
    std::string withoutRedirection = line;
    if (command.output) {
        const auto at = withoutRedirection.rfind(" > ");
        require(at != std::string::npos, "an output is redirected");
        withoutRedirection.resize(at);
    }
    require(actedOn(withoutRedirection).empty(), "nothing else in the line is acted on");
    std::vector<std::string> read = split(withoutRedirection);
    read.erase(read.begin(), read.begin() + 2);  // "cmd" "/c"
    require(command.words() == read, "POSIX starts the words cmd.exe would");
    const std::size_t backendWords = split(backend).size();
    require(backendWords > 0, "a command that was not refused names a program");
    require(read.size() >= backendWords + 2 && read[backendWords] == option &&
                read[backendWords + 1] == file,
            "the file name reaches the backend as one argument, right after its option");
    require(!file.starts_with('-'), "no file argument looks like an option");
    require(std::string(backend).append(file).find_first_of(",;=") == std::string::npos,
            "no file or program name holds a character cmd.exe ends a word at");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    require(kestrin::backend::interpreterCharacters(input) == actedOn(input),
            "interpreterCharacters agrees with the reference");
    require(kestrin::hiddenCharacters(input) == hidden(input),
            "hiddenCharacters agrees with the reference");

    const auto values = fields(input);
    const std::string backend(values[0]);
    const std::string input1(values[1]);
    const bool blankBackend = backend.find_first_not_of(" \t") == std::string::npos;
    const auto unpack = kestrin::backend::unpack(backend, values[1]);
    require(unpack.ok() != blankBackend, "Unpack refuses a blank backend and nothing else");
    if (unpack) {
        require(unpack->text() == backend + " -p x " + input1, "the Unpack line");
    }

    const auto decompile = kestrin::backend::decompile(values[0], values[1], values[2], values[3]);
    if (!decompile) {
        require(!decompile.message().empty(), "a refusal says why");
    } else {
        requireSound(*decompile,
                     "cmd /c " + backend + " -d " + input1 + ".qb " + std::string(values[2]) +
                         " > " + std::string(values[3]) + ".txt",
                     backend, "-d", input1 + ".qb");
        require(decompile->output == std::string(values[3]) + ".txt",
                "the output file is the output name, whole");
        require(values[3].find_first_of(",;=") == std::string_view::npos,
                "cmd.exe reads the output name whole");
    }
    const auto compile = kestrin::backend::compile(values[0], values[1]);
    if (compile) {
        requireSound(*compile, "cmd /c " + backend + " -c " + input1 + ".txt", backend, "-c",
                     input1 + ".txt");
        require(!compile->output, "a compile runs without output");
    }
    return 0;
}
