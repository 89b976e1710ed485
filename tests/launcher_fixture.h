// SPDX-License-Identifier: MIT
#pragma once
// The POSIX launcher's tests share this: a temporary working folder that is the working folder
// for the test, the stand-in's log, and PATH leading to an empty folder of its own.

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/launcher.h"
#include "stand_in.h"
#include "temp_folder.h"

namespace kestrin::testing {

class LauncherTest : public ::testing::Test {
protected:
    using Started = platform::Started;
    template <typename T = platform::Done>
    using Result = platform::Result<T>;

    LauncherTest()
        : m_inside(m_work.path()),
          m_log(m_logs.path() / "log"),
          m_pathVariable("PATH", m_pathFolder.path().string()) {}

    static void install(const std::filesystem::path& folder, const std::string& name) {
        installStandIn(folder, name);
    }

    static Result<Started> launch(const std::string& line) {
        return platform::makeLauncher()->launch(line);
    }

    // Launches on a thread of its own, so that a launch that hangs fails the test instead.
    static std::optional<Result<Started>> launchOrGiveUp(const std::string& line) {
        auto promise = std::make_shared<std::promise<Result<Started>>>();
        auto result = promise->get_future();
        std::thread([promise, line] { promise->set_value(launch(line)); }).detach();
        if (result.wait_for(kDeadline) != std::future_status::ready) {
            return std::nullopt;
        }
        return result.get();
    }

    std::vector<Record> records() const { return m_log.records(); }
    std::vector<Record> waitForRecords(std::size_t count) const {
        return m_log.waitForRecords(count);
    }

    std::string inWork(const std::string& name) const {
        return std::filesystem::canonical(m_work.path() / name).string();
    }

    std::set<std::string> workEntries() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_work.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempFolder m_work;
    WorkingFolder m_inside;
    TempFolder m_logs;
    TempFolder m_pathFolder;
    StandInLog m_log;
    ScopedEnvironment m_pathVariable;
};

}  // namespace kestrin::testing
