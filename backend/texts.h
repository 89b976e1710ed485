// SPDX-License-Identifier: MIT
#pragma once
// Every word the user reads about launching the backend, in texts_refusals.cpp (a field's value),
// texts_start.cpp (why nothing started), texts_output.cpp (the Decompile's output) and
// texts_report.cpp (backends that failed or still run).

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/process.h"
#include "platform/program_lookup.h"

namespace kestrin::backend {

inline constexpr std::string_view kNoFileToDecompile = "No file to DeCompile";
inline constexpr std::string_view kNoFileToCompile = "No file to Compile";
inline constexpr std::string_view kDecompilingDone = "DeCompiling Done";
inline constexpr std::string_view kCompilingDone = "Compiling Done";
inline constexpr std::string_view kNothingStarted = "\nNothing was started.";

// A name as every message shows it: in quotes, through escapeForDisplay.
std::string quoted(std::string_view text);
// The system's words for an error, as the end of a sentence.
std::string reasonFor(const std::error_code& error);

// How refusals name the boxes.
inline constexpr std::string_view kBackendLabel = "The backend name";
inline constexpr std::string_view kFileLabel = "The file name";
inline constexpr std::string_view kGameLabel = "The game entry";
inline constexpr std::string_view kArchiveLabel = "The archive name";

// Refusals of a field's value: label names the field, why is one of the reasons below.
std::string refusal(std::string_view label, std::string_view value, std::string_view why);
std::string blankBackend(std::string_view label);
std::string actedOnByInterpreter(std::string_view found);
std::string doesNotShowAsItself(const std::vector<char32_t>& found);
inline constexpr std::string_view kBlankFileName =
    "is blank: the command line would hold only its ending, which names a hidden file. Rename "
    "the file.";
inline constexpr std::string_view kBlanksInFileName =
    "holds a space or a tab: the backend would get it as several arguments. Rename the file.";
inline constexpr std::string_view kFileNameLikeAnOption =
    "begins with \"-\": the backend would take it as an option. Rename the file.";
// Windows: what cmd.exe or an ANSI backend would read otherwise.
std::string notInCodePage(const std::vector<char32_t>& found, unsigned codePage);
std::string readAsWordBreak(std::string_view found);
std::string namesADevice(std::string_view device);

// Why a program did not start.
std::string cannotStart(std::string_view program, std::string_view why);
inline constexpr std::string_view kNoSuchProgram =
    "no such program in the working folder or on PATH.";
inline constexpr std::string_view kNoSuchFile = "no such file.";  // a name with a folder part
// The file at place that was found but is no program (Folder, NotOrdinary or File).
std::string unusableProgram(std::string_view program, std::string_view place,
                            platform::FileKind kind);
// Why the system cannot run the file at place, as its first bytes tell (cannotRun words them
// in this order).
enum class RunFailure { Empty, OtherSystem, NoProgramNoScript };
std::string cannotRun(std::string_view program, std::string_view place, RunFailure why);
std::string windowsProgram(std::string_view program, std::string_view place);
std::string batchFile(std::string_view program, std::string_view place);
inline constexpr std::string_view kWorkingFolderGone = "the working folder no longer exists.";
std::string workingFolderUnreadable(std::string_view program, const std::error_code& error);
inline constexpr std::string_view kNoSystemFolder = "the system folder cannot be found.";
std::string nearTheDescriptorLimit(std::string_view program, std::size_t limit);
// The "#!" line of the script at path names no interpreter, or one whose name ends in a carriage
// return, or one that does not exist, or one that cannot run for error.
enum class ScriptFailure { NoInterpreter, CarriageReturn, Missing, CannotRun };
std::string scriptFailed(std::string_view program, std::string_view path,
                         std::string_view interpreter, ScriptFailure why,
                         const std::error_code& error);
// Windows: why cmd.exe would not start the program Kestrin finds, or would start it elsewhere.
std::string interpreterCommand(std::string_view program, std::string_view command);
inline constexpr std::string_view kSlashInProgram =
    "the command interpreter would read \"/\" as the start of an option. Write \"\\\" between "
    "folders.";
std::string markInFront(std::string_view program);
std::string networkFolder(std::string_view program, std::string_view folder);
std::string folderTooLong(std::string_view program, std::size_t length, std::size_t limit);

// Why the output cannot be written. folder is "" for the working folder, else as typed.
std::string cannotWrite(std::string_view file, std::string_view why);
std::string linkLeadsOutside(std::string_view file, std::string_view folder);
std::string pathLeadsOutside(std::string_view file, std::string_view folder);
inline constexpr std::string_view kLinkToNothing = "it is a link to a file that does not exist.";
inline constexpr std::string_view kNotAnOrdinaryFile = "it is not an ordinary file.";
std::string cannotReplace(std::string_view file, const std::error_code& error);
std::string cannotKeep(std::string_view file, std::string_view keep, std::string_view why);
std::string cannotMakeFileBeside(std::string_view file, const std::error_code& error);
// After a start: the new output could not take the name file, and is in newOutput instead.
std::string newOutputElsewhere(std::string_view file, std::string_view newOutput,
                               std::string_view why);
// After a start that failed: what was made for it could not be undone.
std::string notUndone(std::string_view made, std::string_view copy, const std::error_code& error);

enum class Action { Decompile, Compile, Unpack };

// What a backend was started for: the backend as named in the window, and the file the action
// names (Decompile: the output, "NAME.txt"; Compile: the input; Unpack: the archive).
struct Job {
    Action action;
    std::string program;
    std::string file;
};

// A backend that failed, and the earlier text a Decompile kept as "NAME.txt~" (empty when none).
struct BackendFailure {
    Job job;
    platform::ExitStatus status;
    platform::StderrTail tail;
    std::string keptCopy;
};

// How much of a backend's stderr is kept, from its end, and how much a report shows.
inline constexpr std::size_t kStderrBytes = 8192;
inline constexpr std::size_t kStderrLines = 20;
inline constexpr std::size_t kStderrLineCharacters = 100;
// Failures known together share one message; it tells this many, then how many more.
inline constexpr std::size_t kFailuresShown = 3;

// One message for the failures known together (not none): each one's job, exit status and last
// lines of stderr (kStderrLines in all), behind "> " so that none can pass for Kestrin's words.
std::string failureReport(std::span<const BackendFailure> failed);

// The refusal of a second Decompile into one output, or Unpack of one archive, while one runs.
std::string stillRunning(const Job& job);

}  // namespace kestrin::backend
