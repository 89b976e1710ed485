// SPDX-License-Identifier: MIT
#pragma once
// Reads tests/data/adversarial_corpus.txt: one case a line, FIELD<TAB>EXPECT<TAB>VALUE, with the
// escapes \t \n \r \\ and \xHH in VALUE. Values typed into a field (name, game, backend) and
// files a folder's author controls (link, program) come back apart. On Windows a value marked runs
// that the ANSI code page changes is refused for that (Refusal::CodePage).

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

#include <fstream>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrin::testing {

// Why a value is refused, as the corpus's EXPECT names it; none for "runs".
enum class Refusal {
    None,
    Unsafe,
    Format,
    Blank,
    Spaces,
    Option,
    WordBreak,
    CodePage,
    Outside,
    CannotRun
};

// Words that only the message of that refusal holds.
inline const char* refusalWords(Refusal refusal) {
    switch (refusal) {
        case Refusal::Unsafe:
            return "holds characters that the command interpreter would act on";
        case Refusal::Format:
            return "do not show as themselves";
        case Refusal::Blank:
            return " is blank";
        case Refusal::Spaces:
            return "holds a space or a tab";
        case Refusal::Option:
            return "begins with \"-\"";
        case Refusal::WordBreak:
            return "reads as a break between words";
        case Refusal::CodePage:
            return "would receive as other characters";
        case Refusal::Outside:
        case Refusal::CannotRun:
        case Refusal::None:
            break;
    }
    return "";
}

struct CorpusCase {
    std::string field;  // name, game or backend; link or program
    Refusal refusal;
    std::string value;
    std::string shown;  // the line as written in the file, for messages

    bool refused() const { return refusal != Refusal::None; }
};

// Whether value comes back unchanged from the active ANSI code page, converted whole as a program
// with an ANSI main receives it: a reference apart from the product's check, which goes by
// character.
#ifdef _WIN32
inline std::wstring wideOf(unsigned codePage, const std::string& text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

inline bool survivesCodePage(const std::string& value) {
    const std::wstring wide = wideOf(CP_UTF8, value);
    std::string ansi(wide.size() * 2, '\0');
    BOOL usedDefault = FALSE;
    ansi.resize(static_cast<std::size_t>(WideCharToMultiByte(
        CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), ansi.data(),
        static_cast<int>(ansi.size()), nullptr, &usedDefault)));
    return !usedDefault && wideOf(CP_ACP, ansi) == wide;
}
#else
inline bool survivesCodePage(const std::string& /*value*/) {
    return true;  // POSIX hands arguments on as bytes
}
#endif

inline std::string unescapeCorpusValue(const std::string& text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 'x' && i + 2 < text.size()) {
            value += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            value += kind == 't' ? '\t' : kind == 'n' ? '\n' : kind == 'r' ? '\r' : kind;
        }
    }
    return value;
}

// The fields of a Decompile line that carries the case's value: a name goes into both name boxes.
struct DecompileFields {
    std::string backend;
    std::string input;
    std::string game;
    std::string output;
};

inline DecompileFields decompileFields(const CorpusCase& c) {
    if (c.field == "game") {
        return {.backend = "mervo.exe", .input = "level", .game = c.value, .output = "out"};
    }
    if (c.field == "backend") {
        return {.backend = c.value, .input = "level", .game = "THUG1", .output = "out"};
    }
    return {.backend = "mervo.exe", .input = c.value, .game = "THUG1", .output = c.value};
}

// One line of the corpus; a line that breaks the format throws.
inline CorpusCase parseCorpusLine(const std::string& line) {
    static const std::set<std::string> kFields = {"name", "game", "backend", "link", "program"};
    static const std::map<std::string, Refusal> kExpectations = {
        {"runs", Refusal::None},
        {"refused-unsafe", Refusal::Unsafe},
        {"refused-format", Refusal::Format},
        {"refused-blank", Refusal::Blank},
        {"refused-spaces", Refusal::Spaces},
        {"refused-option", Refusal::Option},
        {"refused-breaks", Refusal::WordBreak},
        {"refused-outside", Refusal::Outside},
        {"cannot-run", Refusal::CannotRun}};
    const auto firstTab = line.find('\t');
    const auto secondTab = line.find('\t', firstTab + 1);
    const auto refusal = kExpectations.find(line.substr(firstTab + 1, secondTab - firstTab - 1));
    const std::string field = line.substr(0, firstTab);
    if (secondTab == std::string::npos || !kFields.contains(field) ||
        refusal == kExpectations.end()) {
        throw std::runtime_error("malformed corpus line: " + line);
    }
    const Refusal why = refusal->second;
    const bool nameRule = why == Refusal::Spaces || why == Refusal::Option ||
                          (why == Refusal::Blank && field != "backend");
    if ((nameRule && field != "name") || (why == Refusal::WordBreak && field == "game")) {
        throw std::runtime_error("only a file name is refused for its shape: " + line);
    }
    CorpusCase read{.field = field,
                    .refusal = why,
                    .value = unescapeCorpusValue(line.substr(secondTab + 1)),
                    .shown = line};
    if (read.refusal == Refusal::None && !survivesCodePage(read.value)) {
        read.refusal = Refusal::CodePage;
    }
    return read;
}

inline std::vector<CorpusCase> readCorpusLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the corpus " + file);
    }
    std::vector<CorpusCase> cases;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() != '#') {
            cases.push_back(parseCorpusLine(line));
        }
    }
    return cases;
}

// The values typed into a field (name, game, backend), or the files (link, program).
inline std::vector<CorpusCase> readCorpus(const std::string& file, bool files = false) {
    std::vector<CorpusCase> cases = readCorpusLines(file);
    std::erase_if(cases, [&](const CorpusCase& c) {
        return (c.field == "link" || c.field == "program") != files;
    });
    return cases;
}

inline std::vector<CorpusCase> readFileCorpus(const std::string& file) {
    return readCorpus(file, true);
}

}  // namespace kestrin::testing
