// SPDX-License-Identifier: MIT
#pragma once
// The POSIX launcher's tests share this: a temporary working folder that is the working folder
// for the test, the stand-in's log, and PATH leading to an empty folder of its own.

#include <gtest/gtest.h>

#include <algorithm>
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

    // Keeps what a launch that went ahead hands back, so that its process can be collected; the
    // value is where the earlier output was kept, empty when nothing was.
    Result<std::string> launch(const std::string& line) {
        Result<Started> started = platform::makeLauncher()->launch(line);
        if (!started) {
            return started.failure();
        }
        m_started.push_back(std::move(*started));
        return m_started.back().keptCopy;
    }

    // A process left uncollected would stay a zombie and be counted by a later test.
    void TearDown() override {
        eventually([this] { return allEnded(); });
    }

    // Collects every process started so far; true once each has ended with status 0.
    ::testing::AssertionResult everyStartEndedWell() {
        if (!eventually([this] { return allEnded(); })) {
            return ::testing::AssertionFailure() << "a started process never ended";
        }
        for (Started& started : m_started) {
            if (*started.process.ended() != platform::Ending{}) {
                return ::testing::AssertionFailure()
                       << "a process " << platform::describe(*started.process.ended());
            }
        }
        return ::testing::AssertionSuccess();
    }

    // Launches on a thread of its own, so that a launch that hangs fails the test instead. For
    // lines that must not start.
    static std::optional<Result<>> launchOrGiveUp(const std::string& line) {
        auto promise = std::make_shared<std::promise<Result<>>>();
        auto result = promise->get_future();
        std::thread([promise, line] {
            const Result<Started> started = platform::makeLauncher()->launch(line);
            promise->set_value(started ? Result<>() : Result<>(started.failure()));
        }).detach();
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
    std::vector<Started> m_started;

private:
    bool allEnded() {
        return std::all_of(m_started.begin(), m_started.end(),
                           [](Started& started) { return started.process.ended().has_value(); });
    }
};

}  // namespace kestrin::testing
