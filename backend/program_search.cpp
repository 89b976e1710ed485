// SPDX-License-Identifier: MIT
#include "backend/program_search.h"

#include <algorithm>
#include <string_view>
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
        const auto end = list.find(separator);
        entries.push_back(list.substr(0, end));
        if (end == std::string_view::npos) {
            return entries;
        }
        list.remove_prefix(end + 1);
    }
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

// Where name may be: as it stands when it has a folder part, else here and in each folder.
std::vector<std::string> placesFor(const std::string& name, std::string_view folderMarks,
                                   std::string_view here, const std::vector<std::string>& folders) {
    if (name.find_first_of(folderMarks) != std::string::npos) {
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
    if (endsInAnyCase(program, ".EXE") && program.size() > 4 &&
        program[program.size() - 5] != '/') {
        names.push_back(program.substr(0, program.size() - 4));
    }
    std::vector<Candidate> candidates;
    for (const auto& name : names) {
        for (auto& place : placesFor(name, "/", "./", folders)) {
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
    // An ending is a dot after the folder part (npos + 1 is the start).
    const bool named = program.find('.', program.find_last_of("\\/:") + 1) != std::string::npos;
    std::vector<std::string> endings;
    if (!named) {
        endings = windowsEntries(places.pathext.value_or(""));
        if (endings.empty()) {
            endings = {".COM", ".EXE", ".BAT", ".CMD"};
        }
    }
    std::vector<Candidate> candidates;
    for (const auto& place : placesFor(program, "\\/:", ".\\", folders)) {
        candidates.push_back({.file = place, .byEnding = named});
        for (const auto& ending : endings) {
            candidates.push_back({.file = place + ending, .byEnding = true});
        }
    }
    return candidates;
}

}  // namespace

bool endsInAnyCase(std::string_view name, std::string_view ending) {
    return name.size() >= ending.size() &&
           std::equal(ending.begin(), ending.end(), name.end() - ending.size(),
                      [](char upper, char c) { return upper == upperAscii(c); });
}

Result<std::string> findProgram(const std::string& program, NameRules rules,
                                const SearchPlaces& places, const KindOfFile& kindOf,
                                const WhyNoProgram& whyNot) {
    const bool posix = rules == NameRules::Posix;
    // The first file found that is no program explains the failure best.
    std::string unusable;
    FileKind unusableBecause = FileKind::Missing;
    for (const auto& candidate :
         posix ? posixCandidates(program, places) : windowsCandidates(program, places)) {
        FileKind found = kindOf(candidate.file);
        // Windows runs a file by its name's ending, POSIX by its execute permission.
        if (found == FileKind::File && !posix) {
            found = candidate.byEnding ? FileKind::Executable : FileKind::NotOrdinary;
        }
        if (found == FileKind::Executable) {
            return candidate.file;
        }
        if (found != FileKind::Missing && unusable.empty()) {
            unusable = candidate.file;
            unusableBecause = found;
        }
    }
    if (!unusable.empty()) {
        return Failure{whyNot(program, unusable, unusableBecause)};
    }
    const bool hasFolderPart = program.find_first_of(posix ? "/" : "\\/:") != std::string::npos;
    return Failure{cannotStart(program, hasFolderPart ? kNoSuchFile : kNoSuchProgram)};
}

}  // namespace kestrin::backend
