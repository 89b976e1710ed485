// SPDX-License-Identifier: MIT
#pragma once
// Stand-ins for the operating system that record what the window asked of it.

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/directory_search.h"
#include "platform/launcher.h"
#include "platform/messages.h"

namespace kestrin::testing {

// Notes each message. A test may act while one is open, as a user reading it lets time pass;
// deepest tells how many were ever open at once.
class RecordingMessages final : public platform::Messages {
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

// Starts nothing: notes each line and answers as told. A start hands back no process, so only a
// FakeProcessWatch can end it.
class RecordingLauncher final : public platform::Launcher {
public:
    platform::Result<platform::Started> launch(const std::string& commandLine) override {
        launched.push_back(commandLine);
        if (!result) {
            return result.failure();
        }
        return platform::Started{.keptCopy = keptCopy, .process = {}, .words = {}};
    }
    std::vector<std::string> launched;
    platform::Result<> result;  // what every launch answers
    std::string keptCopy;       // what a start says it kept
};

// A folder held in memory: pattern -> names, in the order a search returns them. It notes each
// folder and pattern it is asked for; a folder marked unreadable fails every search.
class FakeFolder final : public platform::DirectorySearch {
public:
    platform::Result<std::vector<std::string>> find(const std::string& folder,
                                                    std::string_view pattern) override {
        asked.emplace_back(folder, pattern);
        if (!readable) {
            return platform::Failure{"unreadable"};
        }
        const auto found = names.find(pattern);
        return found == names.end() ? std::vector<std::string>{} : found->second;
    }

    std::map<std::string, std::vector<std::string>, std::less<>> names;  // by pattern
    bool readable = true;
    std::vector<std::pair<std::string, std::string>> asked;  // folder, pattern
};

}  // namespace kestrin::testing
