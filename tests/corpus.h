#pragma once
// Reads tests/data/adversarial_corpus.txt: one case a line, FIELD<TAB>EXPECT<TAB>VALUE, with the
// escapes \t \n \r \\ and \xHH in VALUE. Values typed into a field (name, game, backend) and
// files a folder's author controls (link, program) come back apart.

#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrin::testing {

struct CorpusCase {
    std::string field;  // name, game or backend; link or program
    bool refused;       // refused-unsafe, refused-outside or cannot-run; otherwise runs
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

inline std::vector<CorpusCase> readCorpusLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the corpus " + file);
    }
    const std::set<std::string> fields = {"name", "game", "backend", "link", "program"};
    const std::set<std::string> expectations = {"refused-unsafe", "runs", "refused-outside",
                                                "cannot-run"};
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
        if (!fields.contains(field)) {
            throw std::runtime_error("unknown field in corpus line: " + line);
        }
        if (!expectations.contains(expect)) {
            throw std::runtime_error("unknown expectation in corpus line: " + line);
        }
        cases.push_back({.field = field,
                         .refused = expect != "runs",
                         .value = unescapeCorpusValue(line.substr(secondTab + 1)),
                         .shown = line});
    }
    return cases;
}

// The values typed into a field: name, game and backend.
inline std::vector<CorpusCase> readCorpus(const std::string& file) {
    std::vector<CorpusCase> cases = readCorpusLines(file);
    std::erase_if(cases,
                  [](const CorpusCase& c) { return c.field == "link" || c.field == "program"; });
    return cases;
}

// The files: link and program.
inline std::vector<CorpusCase> readFileCorpus(const std::string& file) {
    std::vector<CorpusCase> cases = readCorpusLines(file);
    std::erase_if(cases,
                  [](const CorpusCase& c) { return c.field != "link" && c.field != "program"; });
    return cases;
}

}  // namespace kestrin::testing
