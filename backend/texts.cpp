// SPDX-License-Identifier: MIT
#include "backend/texts.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "common/text.h"

#ifdef _WIN32
#include "platform/wide_text_windows.h"
#endif

namespace kestrin::backend {
namespace {

constexpr std::string_view kNothingStarted = "\nNothing was started.";
constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026

std::string quoted(std::string_view text) {
    return "\"" + escapeForDisplay(text) + "\"";
}

std::string where(std::string_view folder) {
    return folder.empty() ? std::string("the working folder") : "the folder " + quoted(folder);
}

std::string firstLineOf(std::string_view path) {
    return "the first line of " + quoted(path) + " ";
}

std::string describe(const platform::ExitStatus& status) {
    using Kind = platform::ExitStatus::Kind;
    switch (status.kind) {
        case Kind::Exited:
            return "ended with status " + std::to_string(status.code);
        case Kind::Signaled: {
            const std::string name = platform::signalName(status.code);
            return "was ended by signal " + std::to_string(status.code) +
                   (name.empty() ? "" : " (SIG" + name + ")");
        }
        case Kind::Exception: {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status.code));
            return std::string("ended with status ") + hex;
        }
        case Kind::Unknown:
            break;
    }
    return "ended, with a status Kestrin could not learn";
}

std::string whatRan(const Job& job) {
    switch (job.action) {
        case Action::Decompile:
            return "Decompile into " + quoted(job.file);
        case Action::Compile:
            return "Compile of " + quoted(job.file);
        case Action::Unpack:
            break;
    }
    return "Unpack of " + quoted(job.file);
}

// The line as shown (hidden characters as U+XXXX), cut after kStderrLineCharacters characters
// with a mark, so that no line of stderr outgrows the message; a line whose start was lost is
// shown by its end, after the mark.
std::string shownLine(std::string_view line, bool startLost) {
    std::string shown = escapeForDisplay(line);
    std::vector<std::size_t> starts;  // of each character
    for (std::size_t at = 0; at < shown.size(); at += decodeUtf8(shown, at).length) {
        starts.push_back(at);
    }
    if (startLost) {
        const std::size_t from = starts.size() > kStderrLineCharacters
                                     ? starts[starts.size() - kStderrLineCharacters]
                                     : 0;
        return std::string(kEllipsis) + shown.substr(from);
    }
    if (starts.size() <= kStderrLineCharacters) {
        return shown;
    }
    return shown.substr(0, starts[kStderrLineCharacters]) + std::string(kEllipsis);
}

struct Line {
    std::string_view text;
    bool startLost;
};

// The lines of a stderr tail without their line ends, empty ones at the end left out. When more
// came before the tail its first line is only an end: left out, unless it is the only one.
std::vector<Line> linesOf(std::string_view tail, bool cut) {
    std::vector<Line> lines;
    while (!tail.empty()) {
        const auto end = tail.find('\n');
        std::string_view line = tail.substr(0, end);
        tail.remove_prefix(end == std::string_view::npos ? tail.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.push_back({line, cut && lines.empty()});
    }
    while (!lines.empty() && lines.back().text.empty()) {
        lines.pop_back();
    }
    if (lines.size() > 1 && lines.front().startLost) {
        lines.erase(lines.begin());
    }
    return lines;
}

// The backend's own lines, each behind the quote mark: whatever they say, none starts a line of
// the message, so none can pass for Kestrin's words.
std::string stderrPart(const BackendFailure& failed, std::size_t maxLines) {
    const std::vector<Line> lines = linesOf(failed.tail.text, failed.tail.cut);
    const std::string lost = failed.tail.lost ? "Kestrin could not read the rest of what it "
                                                "wrote: " +
                                                    reasonFor(failed.tail.lost) + "\n"
                                              : "";
    if (lines.empty()) {
        return (failed.tail.lost ? "" : "It wrote nothing.\n") + lost;
    }
    const std::size_t first = lines.size() > maxLines ? lines.size() - maxLines : 0;
    std::string text = first == 0 ? "It wrote:\n"
                                  : "It wrote (the last " + std::to_string(maxLines) + " lines):\n";
    for (std::size_t i = first; i < lines.size(); ++i) {
        const std::string shown = shownLine(lines[i].text, lines[i].startLost);
        text += shown.empty() ? ">\n" : "> " + shown + "\n";
    }
    return text + lost;
}

std::string oneFailure(const BackendFailure& failed, std::size_t maxLines) {
    std::string text = whatRan(failed.job) + " failed: the backend " + quoted(failed.job.program) +
                       " " + describe(failed.status) + ".\n" + stderrPart(failed, maxLines);
    if (!failed.keptCopy.empty()) {
        text += "The earlier text is kept in " + quoted(failed.keptCopy) + ".\n";
    }
    return text;
}

}  // namespace

std::string reasonFor(const std::error_code& error) {
    std::string own = ownReason(error);
    return own.empty() ? error.message() + "." : own;
}

std::string refusal(std::string_view label, std::string_view value, std::string_view why) {
    return std::string(label) + " " + quoted(value) + " " + std::string(why) +
           std::string(kNothingStarted);
}

std::string actedOnByInterpreter(std::string_view found) {
    std::string listed;
    for (const char c : found) {
        listed += (listed.empty() ? "" : " ") + escapeForDisplay(std::string_view(&c, 1));
    }
    return "holds characters that the command interpreter would act on: " + listed;
}

std::string doesNotShowAsItself(const std::vector<char32_t>& found) {
    std::string listed;
    for (const char32_t codePoint : found) {
        listed += (listed.empty() ? "" : " ") + codePointName(codePoint);
    }
    return "holds characters that do not show as themselves (invisible, or changing how the text "
           "around them shows): " +
           listed;
}

std::string blankBackend(std::string_view label) {
    return std::string(label) +
           " is blank: the next word of the command line would be started as the program." +
           std::string(kNothingStarted);
}

std::string blankFileName() {
    return "is blank: the command line would hold only its ending, which names a hidden file. "
           "Rename the file.";
}

std::string blanksInFileName() {
    return "holds a space or a tab: the backend would get it as several arguments. Rename the "
           "file.";
}

std::string fileNameLikeAnOption() {
    return "begins with \"-\": the backend would take it as an option. Rename the file.";
}

std::string cannotStart(std::string_view program, std::string_view why) {
    return "Cannot start " + quoted(program) + ": " + std::string(why);
}

std::string programNotFound(std::string_view program) {
    return cannotStart(program, "no such program in the working folder or on PATH.");
}

std::string fileNotFound(std::string_view program) {
    return cannotStart(program, "no such file.");
}

std::string programIsAFolder(std::string_view program, std::string_view place) {
    return cannotStart(program, quoted(place) + " is a folder, not a program.");
}

std::string notAProgramFile(std::string_view program, std::string_view place) {
    return cannotStart(program, quoted(place) + " is not a program file.");
}

std::string notExecutable(std::string_view program, std::string_view place) {
    return cannotStart(program, quoted(place) + " may not be run (no execute permission).");
}

std::string cannotRun(std::string_view program, std::string_view place, RunFailure why) {
    const char* const reason = why == RunFailure::Empty ? "it is empty."
                               : why == RunFailure::OtherSystem
                                   ? "it is a program for another kind of system, or a "
                                     "damaged one."
                                   : "it is neither a program for this system nor a script "
                                     "that begins with \"#!\".";
    return cannotStart(program, "the system cannot run " + quoted(place) + ": " + reason);
}

std::string windowsProgram(std::string_view program, std::string_view place) {
    return cannotStart(program,
                       quoted(place) +
                           " is a Windows program, which this system cannot run by itself. Run "
                           "it through Wine: with a small wrapper script (see \"Using your own "
                           "backend\" in the README), or by installing Debian's wine-binfmt "
                           "package and making the file executable (chmod +x).");
}

std::string batchFile(std::string_view program, std::string_view place) {
    return cannotStart(
        program, quoted(place) + " is a batch file, which only the command interpreter runs.");
}

std::string noCommandInterpreter() {
    return cannotStart("cmd.exe", "the system folder cannot be found.");
}

std::string workingFolderGone(std::string_view program) {
    return cannotStart(program, "the working folder no longer exists.");
}

std::string nearTheDescriptorLimit(std::string_view program, std::size_t limit) {
    return cannotStart(program, "Kestrin has nearly used up its limit of " + std::to_string(limit) +
                                    " open files (each running backend holds two). Try again "
                                    "once some backends have ended, or raise the limit (ulimit "
                                    "-n, or ulimit -Hn for the hard one) before starting Kestrin.");
}

std::string workingFolderUnreadable(std::string_view program, const std::error_code& error) {
    return cannotStart(program, "the working folder is unreadable: " + reasonFor(error));
}

std::string noInterpreterNamed(std::string_view program, std::string_view path) {
    return cannotStart(program, firstLineOf(path) + "starts with \"#!\" but names no interpreter.");
}

std::string interpreterEndsInCarriageReturn(std::string_view program, std::string_view path,
                                            std::string_view interpreter) {
    return cannotStart(program, firstLineOf(path) +
                                    "ends in a carriage return (the file has Windows line "
                                    "endings), so the system looks for an interpreter called " +
                                    quoted(interpreter) +
                                    " followed by that character. Save the file with Unix line "
                                    "endings.");
}

std::string interpreterMissing(std::string_view program, std::string_view path,
                               std::string_view interpreter) {
    return cannotStart(program, firstLineOf(path) + "names the interpreter " + quoted(interpreter) +
                                    ", which does not exist.");
}

std::string interpreterCannotRun(std::string_view program, std::string_view path,
                                 std::string_view interpreter, const std::error_code& error) {
    return cannotStart(program, firstLineOf(path) + "names the interpreter " + quoted(interpreter) +
                                    ", which cannot be run: " + reasonFor(error));
}

std::string cannotWrite(std::string_view file, std::string_view why) {
    return "Cannot write the output to " + quoted(file) + ": " + std::string(why);
}

std::string linkLeadsOutside(std::string_view file, std::string_view folder) {
    return cannotWrite(file, "it is a link that leads outside " + where(folder) + ".");
}

std::string pathLeadsOutside(std::string_view file, std::string_view folder) {
    return cannotWrite(file,
                       "its path goes through a link that leads outside " + where(folder) + ".");
}

std::string linkToNothing(std::string_view file) {
    return cannotWrite(file, "it is a link to a file that does not exist.");
}

std::string notAnOrdinaryFile(std::string_view file) {
    return cannotWrite(file, "it is not an ordinary file.");
}

std::string cannotReplace(std::string_view file, const std::error_code& error) {
    return cannotWrite(file, "it may not be replaced: " + reasonFor(error));
}

std::string cannotKeep(std::string_view file, std::string_view keep, std::string_view why) {
    return cannotWrite(
        file, "its earlier content cannot be kept as " + quoted(keep) + ": " + std::string(why));
}

std::string cannotMakeFileBeside(std::string_view file, const std::error_code& error) {
    return cannotWrite(file, "no new file can be made in its folder: " + reasonFor(error));
}

std::string newOutputElsewhere(std::string_view file, std::string_view newOutput,
                               std::string_view why) {
    return "The new output could not take the name " + quoted(file) + ": " + std::string(why) +
           " It is in " + quoted(newOutput) + ", and " + quoted(file) + " is as it was.";
}

std::string notUndone(std::string_view made, std::string_view copy, const std::error_code& error) {
    return "\nWhat was made for it could not all be undone: " + reasonFor(error) + " Look at " +
           quoted(made) + (copy.empty() ? "" : " and " + quoted(copy)) + ".";
}

std::string failureReport(std::span<const BackendFailure> failed) {
    if (failed.size() == 1) {
        std::string text = oneFailure(failed.front(), kStderrLines);
        text.pop_back();
        return text;
    }
    const std::size_t shown = std::min(failed.size(), kFailuresShown);
    std::string text = std::to_string(failed.size()) + " backends failed.\n";
    for (std::size_t i = 0; i < shown; ++i) {
        text += "\n" + std::to_string(i + 1) + ". " + oneFailure(failed[i], kStderrLines / shown);
    }
    if (failed.size() > shown) {
        text += "\nAnd " + std::to_string(failed.size() - shown) + " more failed.\n";
    }
    text.pop_back();
    return text;
}

std::string stillRunning(const Job& job) {
    return "The earlier " + whatRan(job) + " is still running; try again once it has ended." +
           std::string(kNothingStarted);
}

// Windows: what cmd.exe or an ANSI program would read differently.

std::string notInCodePage(const std::vector<char32_t>& found, unsigned codePage) {
    std::string listed;
    for (const char32_t codePoint : found) {
        listed += (listed.empty() ? "" : " ") + codePointName(codePoint);
    }
    return "holds characters that the backend would receive as other characters: " + listed +
           ". Windows hands a program its command line in the system's code page (" +
           std::to_string(codePage) +
           "), which does not hold them, and puts a look-alike or \"?\" in their place.";
}

std::string readAsWordBreak(std::string_view found) {
    std::string listed;
    for (const char c : found) {
        listed += (listed.empty() ? "" : " ") + std::string(1, c);
    }
    return "holds characters that the command interpreter reads as a break between words, as it "
           "reads a space: " +
           listed +
           ". It would end the name there and take the rest for another argument: the line "
           "would name another file. Rename the file.";
}

std::string namesADevice(std::string_view device) {
    return "names the device " + quoted(device) +
           ", not a file: Windows keeps CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in "
           "any case and with any ending, for its devices, and would use the device. Rename the "
           "file.";
}

std::string interpreterCommand(std::string_view program, std::string_view command) {
    return cannotStart(program, "the command interpreter would run its own command " +
                                    quoted(command) +
                                    " instead of a program. Give the program's path, such as " +
                                    quoted(".\\" + std::string(program)) + ".");
}

std::string slashInProgram(std::string_view program) {
    return cannotStart(program,
                       "the command interpreter would read \"/\" as the start of an option. "
                       "Write \"\\\" between folders.");
}

std::string markInFront(std::string_view program) {
    return cannotStart(program, "the command interpreter would not read its first character " +
                                    quoted(program.substr(0, 1)) +
                                    " as part of the name. Rename the program.");
}

std::string networkFolder(std::string_view program, std::string_view folder) {
    return cannotStart(program,
                       "the command interpreter cannot work in a folder given by its network path "
                       "(" +
                           quoted(folder) +
                           ") and would run in the Windows folder instead. Map the network folder "
                           "to a drive letter (\"Map network drive\" in Explorer) and open it "
                           "through that letter.");
}

std::string folderTooLong(std::string_view program, std::size_t length, std::size_t limit) {
    return cannotStart(program, "the working folder's path is " + std::to_string(length) +
                                    " characters long, and the command interpreter works only in "
                                    "folders of at most " +
                                    std::to_string(limit) +
                                    "; it would run in the Windows folder instead. Move the files "
                                    "to a folder with a shorter path, or give this folder a drive "
                                    "letter of its own (subst X: followed by its path).");
}

std::string ownReason(const std::error_code& error) {
#ifdef _WIN32
    if (error.category() != platform::windowsError(0).category()) {
        return {};
    }
    const int code = error.value();
    // ERROR_INVALID_STARTING_CODESEG (188) to ERROR_INFLOOP_IN_RELOC_CHAIN (202): a file that is
    // no program Windows can run, ERROR_BAD_EXE_FORMAT (193) the usual one.
    if (code >= 188 && code <= 202) {
        return "it is not a program Windows can run (not a Windows program, or a damaged one).";
    }
    if (code == 216) {  // ERROR_EXE_MACHINE_TYPE_MISMATCH
        return "it is a program for another kind of processor or another version of Windows.";
    }
    if (code == 740) {  // ERROR_ELEVATION_REQUIRED
        return "it asks to run as an administrator, and Kestrin starts programs only with your "
               "own rights.";
    }
#else
    (void)error;
#endif
    return {};
}

}  // namespace kestrin::backend
