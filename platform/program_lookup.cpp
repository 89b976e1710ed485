// SPDX-License-Identifier: MIT
#include "platform/program_lookup.h"

#include <utility>
#include <vector>

#include "platform/launch_messages.h"

namespace kestrin::platform {
namespace {

template <typename Char>
using Text = std::basic_string<Char>;
template <typename Char>
using View = std::basic_string_view<Char>;
template <typename Char>
using ToUtf8 = std::function<std::optional<std::string>(const Text<Char>&)>;

// One file that may be the program; see Examine for byEnding.
template <typename Char>
struct Candidate {
    Text<Char> file;
    bool byEnding;
};

// How one system names the places where a program may be.
template <typename Char>
struct Places {
    View<Char> folderMarks;           // a name holding one of these has a folder part
    View<Char> here;                  // put before a name, names it in the working folder
    std::vector<Text<Char>> folders;  // the PATH entries, each ready to have a name put after it
};

template <typename Char>
bool hasFolderPart(View<Char> name, const Places<Char>& places) {
    return name.find_first_of(places.folderMarks) != View<Char>::npos;
}

template <typename Char>
std::vector<Text<Char>> placesFor(const Text<Char>& name, const Places<Char>& places) {
    if (hasFolderPart<Char>(name, places)) {
        return {name};
    }
    std::vector<Text<Char>> found = {Text<Char>(places.here) + name};
    for (const auto& folder : places.folders) {
        found.push_back(folder + name);
    }
    return found;
}

// The entries of a list such as PATH, empty ones included, in order.
template <typename Char>
std::vector<View<Char>> split(View<Char> list, Char separator) {
    std::vector<View<Char>> entries;
    while (true) {
        const auto at = list.find(separator);
        entries.push_back(list.substr(0, at));
        if (at == View<Char>::npos) {
            return entries;
        }
        list.remove_prefix(at + 1);
    }
}

// The first candidate that is a program. Failing that, the first unusable file found explains
// the failure best; with none at all, the program is not there.
template <typename Char>
Result<Text<Char>> choose(const std::string& program, bool isPath,
                          const std::vector<Candidate<Char>>& candidates,
                          const Examine<Char>& examine, const ToUtf8<Char>& toUtf8) {
    const Text<Char>* unusable = nullptr;
    FileKind unusableBecause = FileKind::Missing;
    for (const auto& candidate : candidates) {
        const FileKind found = examine(candidate.file, candidate.byEnding);
        if (found == FileKind::Program) {
            return candidate.file;
        }
        if (found != FileKind::Missing && unusable == nullptr) {
            unusable = &candidate.file;
            unusableBecause = found;
        }
    }
    if (unusable != nullptr) {
        const std::string shown = toUtf8(*unusable).value_or(program);
        switch (unusableBecause) {
            case FileKind::Folder:
                return Failure{programIsAFolder(program, shown)};
            case FileKind::NotAProgram:
                return Failure{notAProgramFile(program, shown)};
            case FileKind::NotExecutable:
                return Failure{notExecutable(program, shown)};
            case FileKind::Missing:
            case FileKind::Program:
                break;
        }
    }
    return Failure{isPath ? fileNotFound(program) : programNotFound(program)};
}

bool endsWithExe(std::string_view name) {
    if (name.size() < 4) {
        return false;
    }
    std::string ending(name.substr(name.size() - 4));
    for (char& c : ending) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return ending == ".exe";
}

std::vector<std::string> posixFolders(const char* path) {
    if (path == nullptr || *path == '\0') {
        return {};
    }
    std::vector<std::string> folders;
    for (const auto entry : split<char>(path, ':')) {
        folders.push_back(entry.empty() ? "./" : std::string(entry) + "/");
    }
    return folders;
}

// cmd.exe takes quoted entries, such as "C:\Program Files\x", without their quotes.
std::vector<std::wstring> windowsEntries(std::wstring_view list) {
    std::vector<std::wstring> entries;
    for (auto entry : split<wchar_t>(list, L';')) {
        if (entry.size() >= 2 && entry.front() == L'"' && entry.back() == L'"') {
            entry = entry.substr(1, entry.size() - 2);
        }
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
    }
    return entries;
}

std::vector<std::wstring> windowsFolders(std::wstring_view path) {
    std::vector<std::wstring> folders = windowsEntries(path);
    for (auto& folder : folders) {
        if (folder.back() != L'\\' && folder.back() != L'/') {
            folder += L'\\';
        }
    }
    return folders;
}

bool hasEnding(std::wstring_view name) {
    const auto folderEnd = name.find_last_of(L"\\/:");
    const auto dot = name.rfind(L'.');
    return dot != std::wstring_view::npos &&
           (folderEnd == std::wstring_view::npos || dot > folderEnd);
}

}  // namespace

Result<std::string> findPosixProgram(const std::string& program, const char* path,
                                     const Examine<char>& examine) {
    const Places<char> places{.folderMarks = "/", .here = "./", .folders = posixFolders(path)};
    std::vector<std::string> names = {program};
    if (endsWithExe(program)) {
        std::string bare = program.substr(0, program.size() - 4);
        if (!bare.empty() && bare.back() != '/') {
            names.push_back(std::move(bare));
        }
    }
    std::vector<Candidate<char>> candidates;
    for (const auto& name : names) {
        for (auto& place : placesFor(name, places)) {
            candidates.push_back({.file = std::move(place), .byEnding = true});
        }
    }
    return choose<char>(program, hasFolderPart<char>(program, places), candidates, examine,
                        [](const std::string& file) { return std::optional<std::string>(file); });
}

Result<std::wstring> findWindowsProgram(
    const std::string& program, const std::wstring& wideProgram, std::wstring_view path,
    std::wstring_view pathext, const Examine<wchar_t>& examine,
    const std::function<std::optional<std::string>(const std::wstring&)>& toUtf8) {
    const Places<wchar_t> places{
        .folderMarks = L"\\/:", .here = L".\\", .folders = windowsFolders(path)};
    const bool named = hasEnding(wideProgram);
    std::vector<std::wstring> endings;
    if (!named) {
        endings = windowsEntries(pathext);
        if (endings.empty()) {
            endings = {L".COM", L".EXE", L".BAT", L".CMD"};
        }
    }
    std::vector<Candidate<wchar_t>> candidates;
    for (const auto& place : placesFor(wideProgram, places)) {
        candidates.push_back({.file = place, .byEnding = named});
        for (const auto& ending : endings) {
            candidates.push_back({.file = place + ending, .byEnding = true});
        }
    }
    return choose<wchar_t>(program, hasFolderPart<wchar_t>(wideProgram, places), candidates,
                           examine, toUtf8);
}

}  // namespace kestrin::platform
