#pragma once
// Stand-ins for the operating system that record what the window asked of it.

#include <map>
#include <optional>
#include <string>
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
    platform::Result<> launch(const std::string& commandLine) override {
        launched.push_back(commandLine);
        return result;
    }
    std::vector<std::string> launched;
    platform::Result<> result;  // what every launch answers
};

// A folder held in memory: pattern -> names, in the order a search returns them. A folder
// marked unreadable fails every search.
class FakeFolder final : public platform::DirectorySearch {
public:
    std::optional<std::string> first(const std::string& pathAndPattern) override {
        asked.push_back(pathAndPattern);
        if (!readable) {
            return std::nullopt;
        }
        const auto slash = pathAndPattern.rfind('/');
        m_current = names[pathAndPattern.substr(slash + 1)];
        m_next = 0;
        return next();
    }
    std::string next() override { return m_next < m_current.size() ? m_current[m_next++] : ""; }

    std::map<std::string, std::vector<std::string>> names;  // by pattern
    bool readable = true;
    std::vector<std::string> asked;

private:
    std::vector<std::string> m_current;
    std::size_t m_next = 0;
};

}  // namespace kestrin::testing
