// SPDX-License-Identifier: MIT
#pragma once
// Stand-ins for the operating system that record what the window asked of it.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "backend/launch.h"
#include "common/messages.h"
#include "platform/directory_search.h"

namespace kestrin::testing {

// Notes each message. A test may act while one is open, as a user reading it lets time pass;
// deepest tells how many were ever open at once.
class RecordingMessages final : public Messages {
public:
    void inform(const std::string& text) override {
        shown.push_back(text);
        ++m_open;
        deepest = std::max(deepest, m_open);
        if (whileOpen) {
            whileOpen(text);
        }
        --m_open;
    }
    std::vector<std::string> shown;
    std::function<void(const std::string&)> whileOpen;
    int deepest = 0;

private:
    int m_open = 0;
};

// Starts nothing: notes the line of each command and answers as told. A start hands back no
// process, so only a FakeProcessWatch can end it. It opens no file and takes no lock, so it keeps
// one writer per file itself, through the window's RunningBackends, with output names compared as
// typed,
// "." parts and "folder/.." taken out.
class RecordingLauncher final : public backend::Launcher {
public:
    Result<backend::LaunchedBackend> launch(const backend::Command& command,
                                            const backend::RunningBackends& running) override {
        backend::RunningBackends::Claim claim;
        if (command.output) {
            const std::u8string output(command.output->begin(), command.output->end());
            const std::u8string normal =
                std::filesystem::path(output).lexically_normal().generic_u8string();
            claim = {">", std::string(normal.begin(), normal.end())};
        } else if (!command.interpreted) {
            claim = backend::RunningBackends::unpackClaim(command);
        }
        if (auto busy = running.busy(claim)) {
            return Failure{std::move(*busy)};
        }
        launched.push_back(command.text());
        if (!result) {
            return result.error();
        }
        return backend::LaunchedBackend{.process = {},
                                        .capture = {},
                                        .keptCopy = keptCopy,
                                        .problem = problem,
                                        .claim = std::move(claim)};
    }
    std::vector<std::string> launched;
    Result<> result;       // what every launch answers
    std::string keptCopy;  // what a start says it kept
    std::string problem;   // what a start says went wrong after it
};

// A folder held in memory: pattern ("*" and the ending) -> names, in the order a search returns
// them. It notes each pattern it is asked for; a folder marked unreadable fails every search.
class FakeFolder final : public platform::DirectorySearch {
public:
    SystemResult<std::vector<std::string>> filesEndingIn(std::string_view ending) override {
        const std::string pattern = "*" + std::string(ending);
        asked.push_back(pattern);
        if (!readable) {
            return std::make_error_code(std::errc::permission_denied);
        }
        const auto found = names.find(pattern);
        return found == names.end() ? std::vector<std::string>{} : found->second;
    }

    std::map<std::string, std::vector<std::string>, std::less<>> names;  // by pattern
    bool readable = true;
    std::vector<std::string> asked;
};

}  // namespace kestrin::testing
