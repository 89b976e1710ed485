// SPDX-License-Identifier: MIT
#include "backend/launch.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "backend/output.h"
#include "backend/program_search.h"
#include "backend/texts.h"
#include "common/text.h"
#include "platform/output_file.h"
#include "platform/own_process.h"
#include "platform/program_lookup.h"

#ifdef _WIN32
#include "backend/interpreter.h"
#else
#include "backend/start_failure.h"
#endif

namespace kestrin::backend {
namespace {

// Descriptors a launch never takes: the window needs some of its own (its display connection,
// fonts, the next message box) to stay alive, a quarter of the limit up to 64; a launch takes a
// few more itself. Under a low limit the reserve shrinks with it, so that a backend still starts.
constexpr std::size_t kMostReserved = 64;
constexpr std::size_t kDescriptorsALaunchTakes = 8;

bool nearTheLimit(const platform::Descriptors& count) {
    const std::size_t reserve = std::min(kMostReserved, count.limit / 4);
    return count.open + reserve + kDescriptorsALaunchTakes > count.limit;
}

Result<> checkWorkingFolder(const Command& command, const std::string& program) {
#ifdef _WIN32
    if (command.interpreted) {
        if (std::string refused = interpreterRefusal(program, platform::workingFolder());
            !refused.empty()) {
            return Failure{std::move(refused)};
        }
    }
#else
    (void)command;
#endif
    const std::error_code problem = platform::workingFolderProblem();
    if (!problem) {
        return {};
    }
    if (problem == std::errc::no_such_file_or_directory) {
        return Failure{workingFolderGone(program)};
    }
    return Failure{workingFolderUnreadable(program, problem)};
}

[[maybe_unused]] bool isBatchFile(std::string_view path) {
    std::string ending(path.substr(path.size() < 4 ? 0 : path.size() - 4));
    for (char& c : ending) {
        c = upperAscii(c);
    }
    return ending == ".BAT" || ending == ".CMD";
}

// The file to start: the program as found, or the system's own cmd.exe for an interpreted line
// where there is one.
Result<std::string> fileToStart(const Command& command, const std::string& program) {
    // The first file found that is no program, noted on the way: the one the failure names.
    std::string unusable;
    bool mayNotRun = false;
    const auto noting = [&](const std::string& candidate) {
        const platform::FileKind kind = platform::kindOfFile(candidate);
        if (unusable.empty() && kind != platform::FileKind::Missing &&
            kind != platform::FileKind::Executable) {
            unusable = candidate;
            mayNotRun = kind == platform::FileKind::File;
        }
        return kind;
    };
    Result<std::string> found = findProgram(
        program, kSystemRules,
        {platform::environmentVariable("PATH"), platform::environmentVariable("PATHEXT")}, noting);
    if (!found) {
#ifndef _WIN32
        // A Windows program without execute permission deserves the advice on running it.
        if (auto advice = mayNotRun ? windowsProgramAdvice(program, unusable) : std::nullopt) {
            return Failure{std::move(*advice)};
        }
#endif
        return found;
    }
    if constexpr (platform::kHasCommandInterpreter) {
        if (command.interpreted) {
            std::string interpreter = platform::commandInterpreter();
            if (interpreter.empty()) {
                return Failure{noCommandInterpreter()};
            }
            return interpreter;
        }
        // CreateProcessW starts a batch file through a hidden cmd.exe, which would act on the
        // characters of a line that was never checked for them.
        if (isBatchFile(*found)) {
            return Failure{batchFile(program, *found)};
        }
    }
    return found;
}

// cmd.exe as careful runtimes start it, whatever the registry says: /d leaves out the user's
// AutoRun command, which may change the folder or more, and /v:off delayed expansion. The line
// the user reads (text()) stays "cmd /c ...".
std::string lineToStart(const Command& command) {
    std::string line = command.text();
    return command.interpreted ? line.insert(4, "/d /v:off ") : line;
}

std::string whyNot(const std::string& program, const std::string& file,
                   const std::error_code& error) {
#ifdef _WIN32
    (void)file;
    return cannotStart(program, reasonFor(error));
#else
    return whyNotStarted(program, file, error);
#endif
}

// Nothing started: what was made for the output goes, and the message says if it could not.
Failure notStarted(std::string message, std::optional<PreparedOutput>& output) {
    if (output) {
        if (Result<> undone = discardOutput(*output); !undone) {
            message += undone.message();
        }
    }
    return {std::move(message)};
}

}  // namespace

Result<LaunchedBackend> SystemLauncher::launch(const Command& command,
                                               const RunningBackends& running) {
    const std::vector<std::string> words = command.words();
    if (words.empty()) {
        return Failure{blankBackend(kBackendLabel)};
    }
    const std::string& program = words.front();
    if (const auto count = platform::countDescriptors(); count && nearTheLimit(*count)) {
        return Failure{nearTheDescriptorLimit(program, count->limit)};
    }
    if (Result<> usable = checkWorkingFolder(command, program); !usable) {
        return usable.error();
    }
    const Result<std::string> file = fileToStart(command, program);
    if (!file) {
        return file.error();
    }
    RunningBackends::Claim claim;
    if (!command.interpreted) {
        claim = RunningBackends::unpackClaim(command);
        if (auto busy = running.busy(claim)) {
            return Failure{std::move(*busy)};
        }
    }
    // One writer per output, whichever Kestrin started it: the output's lock (output.h).
    std::optional<PreparedOutput> output;
    if (command.output) {
        Result<PreparedOutput> prepared = prepareOutput(*command.output);
        if (!prepared) {
            return prepared.error();
        }
        output.emplace(std::move(prepared).value());
    }
    SystemResult<platform::StderrCapture> capture = platform::StderrCapture::create(kStderrBytes);
    if (!capture) {
        return notStarted(cannotStart(program, reasonFor(capture.error())), output);
    }
    LaunchedBackend started;
    started.capture = std::move(capture).value();
    const platform::ProcessStart start{.file = *file,
                                       .arguments = words,
                                       .commandLine = lineToStart(command),
                                       .output = output ? output->file.descriptor() : -1,
                                       .inheritedLock = output ? output->file.inheritedLock() : -1};
    SystemResult<platform::Process> process = platform::startProcess(start, started.capture);
    started.capture.closeWriter();
    if (!process) {
        return notStarted(whyNot(program, *file, process.error()), output);
    }
    started.process = std::move(process).value();
    started.claim = std::move(claim);
    if (output) {
        started.keptCopy = output->keptCopy;
        if (Result<> named = commitOutput(*output); !named) {
            started.problem = named.message();
        }
    }
    return started;
}

}  // namespace kestrin::backend
