// SPDX-License-Identifier: MIT
#pragma once
// A temporary folder of real files for tests, removed with everything in it. Names are UTF-8 on
// every system.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace kestrin::testing {

// A path from UTF-8: a plain std::string would be read in the ANSI code page on Windows.
inline std::filesystem::path fromUtf8(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

inline std::string toUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

class TempFolder {
public:
    // In the system's temporary folder, or in parent, under a name nobody has taken.
    explicit TempFolder(
        const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
        std::random_device random;
        do {
            m_path = parent / ("kestrin-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(m_path));
    }
    ~TempFolder() {
        std::error_code failed;
        std::filesystem::remove_all(m_path, failed);
#ifdef _WIN32
        // A program started by a test may still hold a file or have the folder as its working
        // folder for a moment; Windows refuses to remove either until it ends.
        for (int i = 0; failed && i < 100; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            failed.clear();
            std::filesystem::remove_all(m_path, failed);
        }
#endif
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const {
        return m_path;
    }

    void write(const std::string& name, const std::string& content = "x") const {
        std::ofstream(m_path / fromUtf8(name), std::ios::binary) << content;
    }

    // Files as contentsOf gives them: content by name, "<folder>" for a folder.
    void lay(const std::map<std::string, std::string>& files) const {
        for (const auto& [name, content] : files) {
            if (content == "<folder>") {
                std::filesystem::create_directory(m_path / fromUtf8(name));
            } else {
                write(name, content);
            }
        }
    }

    std::string read(const std::string& name) const {
        std::ifstream in(m_path / fromUtf8(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    std::filesystem::path m_path;
};

// Every entry under folder, hidden ones too, by path relative to it: an ordinary file's content,
// "<folder>" for a folder, "-> TARGET" for a link (never followed).
inline std::map<std::string, std::string> contentsOf(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = toUtf8(entry.path().lexically_relative(folder));
        if (entry.is_symlink()) {
            found[name] = "-> " + toUtf8(fs::read_symlink(entry.path()));
        } else if (entry.is_directory()) {
            found[name] = "<folder>";
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            found[name] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        }
    }
    return found;
}

// Makes a folder the working folder for one scope.
class WorkingFolder {
public:
    explicit WorkingFolder(const std::filesystem::path& folder)
        : m_previous(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(m_previous); }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

private:
    std::filesystem::path m_previous;
};

}  // namespace kestrin::testing
