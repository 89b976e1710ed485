#pragma once
// What the launcher's tests share on every system: waiting with a bound, the environment for one
// scope, and the stand-in backend's log (see stand_in_backend.cpp).

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "temp_folder.h"

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
    ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name) {
        m_previous = get();
        set(value);
    }
    ~ScopedEnvironment() { set(m_previous); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
#ifdef _WIN32
    // The process's own environment block, which CreateProcessW hands on and
    // GetEnvironmentVariableW reads; the C runtime's copy is not involved.
    std::optional<std::string> get() const {
        const std::wstring name = fromUtf8(m_name).wstring();
        const DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
        if (size == 0) {
            return std::nullopt;
        }
        std::wstring value(size, L'\0');
        value.resize(GetEnvironmentVariableW(name.c_str(), value.data(), size));
        return toUtf8(std::filesystem::path(value));
    }
    void set(const std::optional<std::string>& value) {
        const std::wstring name = fromUtf8(m_name).wstring();
        SetEnvironmentVariableW(name.c_str(), value ? fromUtf8(*value).wstring().c_str() : nullptr);
    }
#else
    std::optional<std::string> get() const {
        const char* value = std::getenv(m_name);
        return value == nullptr ? std::nullopt : std::optional<std::string>(value);
    }
    void set(const std::optional<std::string>& value) {
        if (value) {
            setenv(m_name, value->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
#endif
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

}  // namespace kestrin::testing
