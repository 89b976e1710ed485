// SPDX-License-Identifier: MIT
#pragma once
// The stand-in backend (stand_in_backend.cpp) as the tests start it in place of the real one:
// copying it into place, the log it appends to and waiting for that log with a bound, the
// environment for one scope, and on POSIX systems this process's children. A target that
// includes this header defines KESTRIN_STAND_IN_BACKEND as the stand-in's path.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "backend/launch.h"
#include "backend/running.h"
#include "platform/program_lookup.h"
#include "temp_folder.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <unistd.h>
#endif

namespace kestrin::testing {

// Only a bound against hanging: a wait that reaches it fails the test.
inline constexpr auto kDeadline = std::chrono::seconds(15);

template <typename Done>
bool eventually(Done done) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Sets or removes one environment variable (UTF-8) for one scope; started programs inherit it.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<std::string>& value)
        : m_name(name), m_previous(platform::environmentVariable(name)) {
        set(value);
    }
    ~ScopedEnvironment() { set(m_previous); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void set(const std::optional<std::string>& value) {
#ifdef _WIN32
        // The process's own environment block, which CreateProcessW hands on and
        // GetEnvironmentVariableW reads; the C runtime's copy is not involved.
        const std::wstring name = fromUtf8(m_name).wstring();
        SetEnvironmentVariableW(name.c_str(), value ? fromUtf8(*value).wstring().c_str() : nullptr);
#else
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
#endif
    }
    const char* m_name;
    std::optional<std::string> m_previous;
};

// One run of the stand-in, as its log tells it: each key with its values in order.
struct Record {
    std::map<std::string, std::vector<std::string>> fields;

    std::string one(const std::string& key) const {
        const auto found = fields.find(key);
        return found == fields.end() || found->second.size() != 1 ? "(not one)" : found->second[0];
    }
    std::vector<std::string> arguments() const {
        const auto found = fields.find("arg");
        return found == fields.end() ? std::vector<std::string>{} : found->second;
    }
};

inline std::vector<Record> parseLog(std::string text) {
    // A stand-in may be writing right now; only whole records count.
    const auto whole = text.rfind("end\n");
    text.resize(whole == std::string::npos ? 0 : whole + 4);
    std::istringstream in(text);
    std::vector<Record> records;
    Record current;
    for (std::string key; in >> key;) {
        if (key == "record") {
            current = Record{};
        } else if (key == "end") {
            records.push_back(current);
        } else {
            // " <length>:<value>\n"
            std::size_t length = 0;
            in >> length;
            in.ignore(1);
            std::string value(length, '\0');
            in.read(value.data(), static_cast<std::streamsize>(length));
            in.ignore(1);
            current.fields[key].push_back(std::move(value));
        }
    }
    return records;
}

inline std::vector<Record> readLog(const std::filesystem::path& log) {
    std::ifstream in(log, std::ios::binary);
    return parseLog({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
}

// The log every stand-in started in this scope appends to (KESTRIN_STAND_IN_LOG).
class StandInLog {
public:
    explicit StandInLog(std::filesystem::path file)
        : m_file(std::move(file)), m_variable("KESTRIN_STAND_IN_LOG", toUtf8(m_file)) {}

    const std::filesystem::path& file() const { return m_file; }

    std::vector<Record> records() const { return readLog(m_file); }

    // The records once there are at least count of them, or what there is at the deadline.
    std::vector<Record> waitForRecords(std::size_t count) const {
        std::vector<Record> found;
        eventually([&] {
            found = records();
            return found.size() >= count;
        });
        return found;
    }

private:
    std::filesystem::path m_file;
    ScopedEnvironment m_variable;
};

// Copies the stand-in into folder under name, executable by everyone.
inline void installStandIn(const std::filesystem::path& folder, const std::string& name) {
    namespace fs = std::filesystem;
    fs::copy_file(fromUtf8(KESTRIN_STAND_IN_BACKEND), folder / fromUtf8(name),
                  fs::copy_options::overwrite_existing);
    fs::permissions(folder / fromUtf8(name), fs::perms::owner_all | fs::perms::group_read |
                                                 fs::perms::group_exec | fs::perms::others_read |
                                                 fs::perms::others_exec);
}

// The one fixture of every test that starts the stand-in: a temporary working folder with the
// stand-in in it as "mervo.exe", the log it appends to, and PATH leading to an empty folder of
// its own, so that nothing but the stand-in can ever start. launch() starts a command with the
// system's launcher and keeps what it hands back, so that every process started is collected
// before the folder goes.
class StandInFolder {
public:
    StandInFolder()
        : m_inside(m_work.path()),
          m_log(m_logs.path() / "log"),
          m_path("PATH", toUtf8(m_pathFolder.path())) {
        installStandIn(m_work.path(), "mervo.exe");
    }
    ~StandInFolder() {
        eventually([this] { return allEnded(); });
    }
    StandInFolder(const StandInFolder&) = delete;
    StandInFolder& operator=(const StandInFolder&) = delete;

    // Where the earlier output was kept ("" when nothing was), or why nothing started; a step
    // after the start that failed counts as a failure too.
    Result<std::string> launch(const backend::Command& command) {
        Result<backend::LaunchedBackend> started =
            backend::SystemLauncher().launch(command, m_running);
        if (!started) {
            return started.error();
        }
        m_started.push_back(std::move(*started));
        if (!m_started.back().problem.empty()) {
            return Failure{m_started.back().problem};
        }
        return m_started.back().keptCopy;
    }

    // Launches on a thread of its own, so that a launch that hangs fails the test instead. For
    // commands that must not start.
    static std::optional<Result<>> launchOrGiveUp(const backend::Command& command) {
        auto promise = std::make_shared<std::promise<Result<>>>();
        auto result = promise->get_future();
        std::thread([promise, command] {
            const Result<backend::LaunchedBackend> started =
                backend::SystemLauncher().launch(command, backend::RunningBackends());
            promise->set_value(started ? Result<>() : Result<>(started.error()));
        }).detach();
        if (result.wait_for(kDeadline) != std::future_status::ready) {
            return std::nullopt;
        }
        return result.get();
    }

    // Collects every process started so far; true once each has ended with status 0.
    ::testing::AssertionResult everyStartEndedWell() {
        if (!eventually([this] { return allEnded(); })) {
            return ::testing::AssertionFailure() << "a started process never ended";
        }
        for (backend::LaunchedBackend& started : m_started) {
            if (started.process.ended()->failed()) {
                return ::testing::AssertionFailure() << "a process failed";
            }
        }
        return ::testing::AssertionSuccess();
    }

    std::vector<Record> records() const { return m_log.records(); }
    std::vector<Record> waitForRecords(std::size_t count) const {
        return m_log.waitForRecords(count);
    }

    // A file of the working folder as the stand-in sees its own path.
    std::string inWork(const std::string& name) const {
        return toUtf8(std::filesystem::canonical(m_work.path() / fromUtf8(name)));
    }

    // Every entry of the working folder, hidden ones too.
    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_work.path())) {
            names.insert(toUtf8(entry.path().filename()));
        }
        return names;
    }

    TempFolder m_work;
    WorkingFolder m_inside;
    TempFolder m_logs;
    TempFolder m_pathFolder;
    StandInLog m_log;
    ScopedEnvironment m_path;
    std::vector<backend::LaunchedBackend> m_started;
    backend::RunningBackends m_running;  // as the window's: launch() refuses what it says is busy

private:
    bool allEnded() {
        return std::all_of(
            m_started.begin(), m_started.end(),
            [](backend::LaunchedBackend& started) { return started.process.ended().has_value(); });
    }
};

#ifndef _WIN32

struct Child {
    int pid;
    char state;
};

// This process's children as /proc lists them, with their state ('Z' for a zombie).
inline std::vector<Child> childrenOfThisProcess() {
    std::vector<Child> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream statFile(entry.path() / "stat");
        const std::string stat((std::istreambuf_iterator<char>(statFile)),
                               std::istreambuf_iterator<char>());
        // "pid (command) state ppid ...": the command may hold spaces and parentheses.
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        char state = 0;
        int parent = 0;
        if (fields >> state >> parent && parent == getpid()) {
            children.push_back({std::stoi(pid), state});
        }
    }
    return children;
}

// Waits until this process has no children left, doing meanwhile what collects them; on failure
// names a few that remain.
inline ::testing::AssertionResult noChildrenRemain(const std::function<void()>& meanwhile = {}) {
    if (eventually([&] {
            if (meanwhile) {
                meanwhile();
            }
            return childrenOfThisProcess().empty();
        })) {
        return ::testing::AssertionSuccess();
    }
    const auto left = childrenOfThisProcess();
    std::string some;
    for (std::size_t i = 0; i < left.size() && i < 10; ++i) {
        some += " " + std::to_string(left[i].pid) + ":" + left[i].state;
    }
    return ::testing::AssertionFailure()
           << left.size() << " children left, such as (pid:state, Z is a zombie)" << some;
}

#endif

}  // namespace kestrin::testing
