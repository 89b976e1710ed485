// SPDX-License-Identifier: MIT
#include "backend/reports.h"

#include <filesystem>
#include <vector>

#include "backend/shown_text.h"

namespace kestrin::backend {
namespace {

// Past this a line is cut: one long line must not fill the message.
constexpr std::size_t kLineBytes = 200;

std::string inQuotes(std::string_view name) {
    return "\"" + visible(name) + "\"";
}

std::string whatRan(Action action, std::string_view file) {
    switch (action) {
        case Action::Decompile:
            return "Decompile into " + inQuotes(file);
        case Action::Compile:
            return "Compile of " + inQuotes(file);
        case Action::Unpack:
            break;
    }
    return "Unpack of " + inQuotes(file);
}

// line, cut after kLineBytes at the start of a UTF-8 character.
std::string shortened(std::string_view line) {
    if (line.size() <= kLineBytes) {
        return std::string(line);
    }
    std::size_t end = kLineBytes;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80) {
        --end;
    }
    return std::string(line.substr(0, end)) + "\xE2\x80\xA6";  // U+2026
}

// The lines of words without their line ends, empty ones at the end left out; a first line that
// the read cut off is left out too.
std::vector<std::string_view> linesOf(std::string_view words) {
    if (words.size() >= kWordsBytes) {
        const auto firstEnd = words.find('\n');
        words.remove_prefix(firstEnd == std::string_view::npos ? 0 : firstEnd + 1);
    }
    std::vector<std::string_view> lines;
    while (!words.empty()) {
        const auto end = words.find('\n');
        std::string_view line = words.substr(0, end);
        words.remove_prefix(end == std::string_view::npos ? words.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::string wordsPart(std::string_view words, std::size_t maxLines) {
    const std::vector<std::string_view> lines = linesOf(words);
    if (lines.empty()) {
        return "The backend wrote nothing.\n";
    }
    const std::size_t first = lines.size() > maxLines ? lines.size() - maxLines : 0;
    std::string text =
        first == 0 ? "The backend wrote:\n"
                   : "The backend wrote (the last " + std::to_string(maxLines) + " lines):\n";
    for (std::size_t i = first; i < lines.size(); ++i) {
        text += visible(shortened(lines[i])) + "\n";
    }
    return text;
}

std::string oneFailure(const Failed& failed, std::size_t maxLines) {
    std::string text = whatRan(failed.action, failed.file) + " failed: the backend " +
                       platform::describe(failed.ending) + ".\n" +
                       wordsPart(failed.words, maxLines);
    if (!failed.keptCopy.empty()) {
        text += "The earlier text is kept in " + inQuotes(failed.keptCopy) + ".\n";
    }
    return text;
}

}  // namespace

std::string failureReport(std::span<const Failed> failed) {
    if (failed.size() == 1) {
        std::string text = oneFailure(failed.front(), kWordsLines);
        text.pop_back();
        return text;
    }
    const std::size_t shown = std::min(failed.size(), kFailuresShown);
    std::string text = std::to_string(failed.size()) + " backends failed.\n";
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\n" + oneFailure(failed[i], kWordsLines / shown);
    }
    if (failed.size() > shown) {
        text += "\nAnd " + std::to_string(failed.size() - shown) + " more failed.\n";
    }
    text.pop_back();
    return text;
}

std::string stillRunning(Action action, std::string_view file) {
    return "The earlier " + whatRan(action, file) +
           " is still running; try again once it has ended.\nNothing was started.";
}

std::string sameFileKey(std::string_view file) {
    const std::u8string name(file.begin(), file.end());
    const std::u8string normal = std::filesystem::path(name).lexically_normal().generic_u8string();
    std::string key(normal.begin(), normal.end());
#ifdef _WIN32
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
#endif
    return key;
}

}  // namespace kestrin::backend
