// SPDX-License-Identifier: MIT
#pragma once
// Stand-ins for the operating system that record what the window asked of it.

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

class RecordingMessages final : public platform::Messages {
public:
    void inform(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class RecordingLauncher final : public platform::Launcher {
public:
    platform::Result<platform::Started> launch(const std::string& commandLine) override {
        launched.push_back(commandLine);
        return result;
    }
    std::vector<std::string> launched;
    platform::Result<platform::Started> result = platform::Started{};  // what every launch answers
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
