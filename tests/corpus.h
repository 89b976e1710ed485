#pragma once
// Reads tests/data/adversarial_corpus.txt: one case a line, FIELD<TAB>EXPECT<TAB>VALUE, with the
// escapes \t \n \r \\ and \xHH in VALUE.

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrin::testing {

struct CorpusCase {
    std::string field;  // name, game or backend
    bool refused;       // refused-unsafe; otherwise runs
    std::string value;
    std::string shown;  // the line as written in the file, for messages
};

inline std::string unescapeCorpusValue(const std::string& text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        const char kind = text[++i];
        if (kind == 't') {
            value += '\t';
        } else if (kind == 'n') {
            value += '\n';
        } else if (kind == 'r') {
            value += '\r';
        } else if (kind == 'x' && i + 2 < text.size()) {
            value += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            value += kind;
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

inline std::vector<CorpusCase> readCorpus(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the corpus " + file);
    }
    std::vector<CorpusCase> cases;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const auto firstTab = line.find('\t');
        const auto secondTab = line.find('\t', firstTab + 1);
        if (firstTab == std::string::npos || secondTab == std::string::npos) {
            throw std::runtime_error("malformed corpus line: " + line);
        }
        const std::string field = line.substr(0, firstTab);
        const std::string expect = line.substr(firstTab + 1, secondTab - firstTab - 1);
        if (field != "name" && field != "game" && field != "backend") {
            throw std::runtime_error("unknown field in corpus line: " + line);
        }
        if (expect != "refused-unsafe" && expect != "runs") {
            throw std::runtime_error("unknown expectation in corpus line: " + line);
        }
        cases.push_back({.field = field,
                         .refused = expect == "refused-unsafe",
                         .value = unescapeCorpusValue(line.substr(secondTab + 1)),
                         .shown = line});
    }
    return cases;
}

}  // namespace kestrin::testing
