// SPDX-License-Identifier: MIT
#pragma once
// Every word the user reads about launching the backend: refusals, confirmations, why a start
// failed, what became of an output, and the reports of backends that failed. Names and a
// backend's stderr are shown through escapeForDisplay (common/visible_text.h).

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/process.h"

namespace kestrin::backend {

inline constexpr std::string_view kNoFileToDecompile = "No file to DeCompile";
inline constexpr std::string_view kNoFileToCompile = "No file to Compile";
inline constexpr std::string_view kDecompilingDone = "DeCompiling Done";
inline constexpr std::string_view kCompilingDone = "Compiling Done";

// The system's words for an error, as the end of a sentence.
std::string reasonFor(const std::error_code& error);

// How refusals name the boxes.
inline constexpr std::string_view kBackendLabel = "The backend name";
inline constexpr std::string_view kFileLabel = "The file name";
inline constexpr std::string_view kGameLabel = "The game entry";
inline constexpr std::string_view kArchiveLabel = "The archive name";

// Refusals of a field's value. label names the field ("The file name").
std::string refusal(std::string_view label, std::string_view value, std::string_view why);
std::string actedOnByInterpreter(std::string_view found);
std::string doesNotShowAsItself(const std::vector<char32_t>& found);
std::string blankBackend(std::string_view label);
std::string blankFileName();
std::string blanksInFileName();
std::string fileNameLikeAnOption();

// Why a program did not start.
std::string cannotStart(std::string_view program, std::string_view why);
std::string programNotFound(std::string_view program);
std::string fileNotFound(std::string_view program);  // a name with a folder part
std::string programIsAFolder(std::string_view program, std::string_view place);
std::string notAProgramFile(std::string_view program, std::string_view place);
std::string notExecutable(std::string_view program, std::string_view place);
// Why the system cannot run the file at place, as its first bytes tell.
enum class RunFailure { Empty, OtherSystem, NoProgramNoScript };
std::string cannotRun(std::string_view program, std::string_view place, RunFailure why);
std::string windowsProgram(std::string_view program, std::string_view place);
std::string batchFile(std::string_view program, std::string_view place);
std::string workingFolderGone(std::string_view program);
std::string noCommandInterpreter();
std::string nearTheDescriptorLimit(std::string_view program, std::size_t limit);
std::string workingFolderUnreadable(std::string_view program, const std::error_code& error);
// A script's "#!" line (start_failure.h): path is the script, interpreter as the line names it.
std::string noInterpreterNamed(std::string_view program, std::string_view path);
std::string interpreterEndsInCarriageReturn(std::string_view program, std::string_view path,
                                            std::string_view interpreter);
std::string interpreterMissing(std::string_view program, std::string_view path,
                               std::string_view interpreter);
std::string interpreterCannotRun(std::string_view program, std::string_view path,
                                 std::string_view interpreter, const std::error_code& error);

// Why the output cannot be written. where is "" for the working folder, else a folder as typed.
std::string cannotWrite(std::string_view file, std::string_view why);
std::string linkLeadsOutside(std::string_view file, std::string_view where);
std::string pathLeadsOutside(std::string_view file, std::string_view where);
std::string linkToNothing(std::string_view file);
std::string notAnOrdinaryFile(std::string_view file);
std::string cannotReplace(std::string_view file, const std::error_code& error);
std::string cannotKeep(std::string_view file, std::string_view keep, std::string_view why);
std::string cannotMakeFileBeside(std::string_view file, const std::error_code& error);

// After a start: the new output could not take the name file, for the reason why, and is in
// newOutput instead.
std::string newOutputElsewhere(std::string_view file, std::string_view newOutput,
                               std::string_view why);
// After a start that failed: what was made for it (the new output, the copy) could not be undone.
std::string notUndone(std::string_view made, std::string_view copy, const std::error_code& error);

enum class Action { Decompile, Compile, Unpack };

// What a backend was started for: the action, the backend as named in the window, and the file
// the action names (Decompile: the output, "NAME.txt"; Compile: the input; Unpack: the archive).
struct Job {
    Action action;
    std::string program;
    std::string file;
};

// A backend that failed: its job, its exit status, the end of its stderr, and the earlier text a
// Decompile kept as "NAME.txt~" (empty when none).
struct BackendFailure {
    Job job;
    platform::ExitStatus status;
    platform::StderrTail tail;
    std::string keptCopy;
};

// How much of a backend's stderr is kept, from its end, and how much of that a report shows: the
// last lines, each cut to a number of characters as shown.
inline constexpr std::size_t kStderrBytes = 8192;
inline constexpr std::size_t kStderrLines = 20;
inline constexpr std::size_t kStderrLineCharacters = 100;
// Failures known together share one message; it tells this many, then how many more.
inline constexpr std::size_t kFailuresShown = 3;

// One message for the failures known together, in the order given; failed is not empty. Each
// tells the action, its file, the backend and its exit status, then the last lines of its stderr
// (at most kStderrLines in all), each behind "> " so that no line a backend writes can pass for
// Kestrin's own words; several are numbered.
std::string failureReport(std::span<const BackendFailure> failed);

// The refusal of a second Decompile into the same output, or Unpack of the same archive, while
// the first still runs.
std::string stillRunning(const Job& job);

// Windows: what cmd.exe or an ANSI program would read differently.
// Why a field's value is refused: characters the code page lacks, the characters that end a word
// for cmd.exe, a device's name.
std::string notInCodePage(const std::vector<char32_t>& found, unsigned codePage);
std::string readAsWordBreak(std::string_view found);
std::string namesADevice(std::string_view device);
// Why cmd.exe would not start the program Kestrin finds, or would start it elsewhere.
std::string interpreterCommand(std::string_view program, std::string_view command);
std::string slashInProgram(std::string_view program);
std::string markInFront(std::string_view program);
std::string networkFolder(std::string_view program, std::string_view folder);
std::string folderTooLong(std::string_view program, std::size_t length, std::size_t limit);
// Kestrin's own words for the errors of starting a program that the system words badly (with an
// insert it leaves unfilled, as "Bad EXE format for %1"); empty for the others.
std::string ownReason(const std::error_code& error);

}  // namespace kestrin::backend
