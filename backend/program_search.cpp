// SPDX-License-Identifier: MIT
#include "backend/program_search.h"

#include <string_view>
#include <utility>
#include <vector>

#include "backend/texts.h"
#include "common/text.h"

namespace kestrin::backend {
namespace {

using platform::FileKind;

// One file that may be the program, and whether its name ends in an ending that makes a file a
// program on Windows.
struct Candidate {
    std::string file;
    bool byEnding;
};

// The entries of a list such as PATH, empty ones included, in order.
std::vector<std::string_view> split(std::string_view list, char separator) {
    std::vector<std::string_view> entries;
    while (true) {
        const auto at = list.find(separator);
        entries.push_back(list.substr(0, at));
        if (at == std::string_view::npos) {
            return entries;
        }
        list.remove_prefix(at + 1);
    }
}

bool endsWithExe(std::string_view name) {
    if (name.size() < 4) {
        return false;
    }
    std::string ending(name.substr(name.size() - 4));
    for (char& c : ending) {
        c = upperAscii(c);
    }
    return ending == ".EXE";
}

// cmd.exe takes quoted entries, such as "C:\Program Files\x", without their quotes.
std::vector<std::string> windowsEntries(std::string_view list) {
    std::vector<std::string> entries;
    for (auto entry : split(list, ';')) {
        if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') {
            entry = entry.substr(1, entry.size() - 2);
        }
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
    }
    return entries;
}

bool hasEnding(std::string_view name) {
    const auto folderEnd = name.find_last_of("\\/:");
    const auto dot = name.rfind('.');
    return dot != std::string_view::npos &&
           (folderEnd == std::string_view::npos || dot > folderEnd);
}

// Where name may be: as it stands when it has a folder part, else here and in each folder.
std::vector<std::string> placesFor(const std::string& name, bool hasFolderPart,
                                   std::string_view here, const std::vector<std::string>& folders) {
    if (hasFolderPart) {
        return {name};
    }
    std::vector<std::string> found = {std::string(here) + name};
    for (const auto& folder : folders) {
        found.push_back(folder + name);
    }
    return found;
}

std::vector<Candidate> posixCandidates(const std::string& program, const SearchPlaces& places) {
    std::vector<std::string> folders;
    if (places.path && !places.path->empty()) {
        for (const auto entry : split(*places.path, ':')) {
            folders.push_back(entry.empty() ? "./" : std::string(entry) + "/");
        }
    }
    std::vector<std::string> names = {program};
    if (endsWithExe(program)) {
        std::string bare = program.substr(0, program.size() - 4);
        if (!bare.empty() && bare.back() != '/') {
            names.push_back(std::move(bare));
        }
    }
    const bool hasFolderPart = program.find('/') != std::string::npos;
    std::vector<Candidate> candidates;
    for (const auto& name : names) {
        for (auto& place : placesFor(name, hasFolderPart, "./", folders)) {
            candidates.push_back({.file = std::move(place), .byEnding = true});
        }
    }
    return candidates;
}

std::vector<Candidate> windowsCandidates(const std::string& program, const SearchPlaces& places) {
    std::vector<std::string> folders = windowsEntries(places.path.value_or(""));
    for (auto& folder : folders) {
        if (folder.back() != '\\' && folder.back() != '/') {
            folder += '\\';
        }
    }
    const bool named = hasEnding(program);
    std::vector<std::string> endings;
    if (!named) {
        endings = windowsEntries(places.pathext.value_or(""));
        if (endings.empty()) {
            endings = {".COM", ".EXE", ".BAT", ".CMD"};
        }
    }
    const bool hasFolderPart = program.find_first_of("\\/:") != std::string::npos;
    std::vector<Candidate> candidates;
    for (const auto& place : placesFor(program, hasFolderPart, ".\\", folders)) {
        candidates.push_back({.file = place, .byEnding = named});
        for (const auto& ending : endings) {
            candidates.push_back({.file = place + ending, .byEnding = true});
        }
    }
    return candidates;
}

// What a candidate is as a program under the rules: POSIX goes by the execute permission,
// Windows by the name's ending.
FileKind asProgram(FileKind found, NameRules rules, bool byEnding) {
    if (found == FileKind::File && rules == NameRules::Windows) {
        return byEnding ? FileKind::Executable : FileKind::NotOrdinary;
    }
    return found;
}

}  // namespace

Result<std::string> findProgram(const std::string& program, NameRules rules,
                                const SearchPlaces& places, const KindOfFile& kindOf) {
    const bool posix = rules == NameRules::Posix;
    const std::vector<Candidate> candidates =
        posix ? posixCandidates(program, places) : windowsCandidates(program, places);
    const Candidate* unusable = nullptr;
    FileKind unusableBecause = FileKind::Missing;
    for (const auto& candidate : candidates) {
        const FileKind found = asProgram(kindOf(candidate.file), rules, candidate.byEnding);
        if (found == FileKind::Executable) {
            return candidate.file;
        }
        if (found != FileKind::Missing && unusable == nullptr) {
            unusable = &candidate;
            unusableBecause = found;
        }
    }
    if (unusable != nullptr) {
        switch (unusableBecause) {
            case FileKind::Folder:
                return Failure{programIsAFolder(program, unusable->file)};
            case FileKind::NotOrdinary:
                return Failure{notAProgramFile(program, unusable->file)};
            case FileKind::File:
                return Failure{notExecutable(program, unusable->file)};
            case FileKind::Missing:
            case FileKind::Executable:
                break;
        }
    }
    const bool hasFolderPart = program.find_first_of(posix ? "/" : "\\/:") != std::string::npos;
    return Failure{hasFolderPart ? fileNotFound(program) : programNotFound(program)};
}

}  // namespace kestrin::backend
