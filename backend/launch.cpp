// SPDX-License-Identifier: MIT
#include "backend/launch.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "backend/output.h"
#include "backend/program_search.h"
#include "backend/texts.h"
#include "platform/output_file.h"
#include "platform/own_process.h"
#include "platform/program_lookup.h"

#ifndef _WIN32
#include "backend/start_failure.h"
#endif

namespace kestrin::backend {
namespace {

// Descriptors a launch never takes: the window needs some of its own (its display connection,
// fonts, the next message box) to stay alive, a quarter of the limit up to 64; a launch takes a
// few more itself. Under a low limit the reserve shrinks with it, so that a backend still starts.
constexpr std::size_t kMostReserved = 64;
constexpr std::size_t kDescriptorsALaunchTakes = 8;

// What must hold before anything is made for a start: descriptors to spare and a working folder
// (on Windows, for an interpreted line, one that cmd.exe works in and a name it reads as Kestrin).
Result<> checkBeforeStart([[maybe_unused]] const Command& command, const std::string& program) {
    if (const auto count = platform::countDescriptors();
        count &&
        count->open + std::min(kMostReserved, count->limit / 4) + kDescriptorsALaunchTakes >
            count->limit) {
        return Failure{nearTheDescriptorLimit(program, count->limit)};
    }
#ifdef _WIN32
    if (std::string refused =
            command.interpreted ? interpreterRefusal(program, platform::workingFolder()) : "";
        !refused.empty()) {
        return Failure{std::move(refused)};
    }
#endif
    const std::error_code problem = platform::workingFolderProblem();
    if (problem == std::errc::no_such_file_or_directory) {
        return Failure{cannotStart(program, kWorkingFolderGone)};
    }
    return problem ? Result<>(Failure{workingFolderUnreadable(program, problem)}) : Result<>();
}

// Why the first file found is no program: on POSIX a Windows program deserves the advice on
// running it.
#ifdef _WIN32
constexpr auto kWhyNoProgram = unusableProgram;
#else
constexpr auto kWhyNoProgram = whyNotAProgram;
#endif

// The file to start: the program as found, or the system's own cmd.exe for an interpreted line
// where there is one.
Result<std::string> fileToStart(const Command& command, const std::string& program) {
    Result<std::string> found = findProgram(
        program, kSystemRules,
        {platform::environmentVariable("PATH"), platform::environmentVariable("PATHEXT")},
        platform::kindOfFile, kWhyNoProgram);
    if (!found || !platform::kHasCommandInterpreter) {
        return found;
    }
    if (command.interpreted) {
        std::string interpreter = platform::commandInterpreter();
        return interpreter.empty()
                   ? Result<std::string>(Failure{cannotStart("cmd.exe", kNoSystemFolder)})
                   : Result<std::string>(std::move(interpreter));
    }
    // CreateProcessW starts a batch file through a hidden cmd.exe, which would act on the
    // characters of a line that was never checked for them.
    if (endsInAnyCase(*found, ".BAT") || endsInAnyCase(*found, ".CMD")) {
        return Failure{batchFile(program, *found)};
    }
    return found;
}

// Nothing started: what was made for the output goes, and the message says if it could not.
Failure notStarted(std::string message, std::optional<PreparedOutput>& output) {
    if (output) {
        message += discardOutput(*output).message();
    }
    return {std::move(message)};
}

// Starts file for command with its stderr captured.
Result<LaunchedBackend> start(const Command& command, const std::vector<std::string>& words,
                              const std::string& file, std::optional<PreparedOutput>& output) {
    SystemResult<platform::StderrCapture> capture = platform::StderrCapture::create(kStderrBytes);
    if (!capture) {
        return notStarted(cannotStart(words.front(), reasonFor(capture.error())), output);
    }
    LaunchedBackend started;
    started.capture = std::move(capture).value();
    // cmd.exe as careful runtimes start it, whatever the registry says: /d leaves out the user's
    // AutoRun command, which may change the folder or more, and /v:off delayed expansion. The
    // line the user reads (text()) stays "cmd /c ...".
    std::string line = command.text();
    const platform::ProcessStart start{
        .file = file,
        .arguments = words,
        .commandLine = command.interpreted ? line.insert(4, "/d /v:off ") : line,
        .output = output ? output->file.descriptor() : -1,
        .inheritedLock = output ? output->file.inheritedLock() : -1};
    SystemResult<platform::Process> process = platform::startProcess(start, started.capture);
    started.capture.closeWriter();
    if (!process) {
#ifdef _WIN32
        return notStarted(cannotStart(words.front(), reasonFor(process.error())), output);
#else
        return notStarted(whyNotStarted(words.front(), file, process.error()), output);
#endif
    }
    started.process = std::move(process).value();
    return started;
}

}  // namespace

Result<LaunchedBackend> SystemLauncher::launch(const Command& command,
                                               const RunningBackends& running) {
    const std::vector<std::string> words = command.words();
    if (words.empty()) {
        return Failure{blankBackend(kBackendLabel)};
    }
    if (Result<> ready = checkBeforeStart(command, words.front()); !ready) {
        return ready.error();
    }
    const Result<std::string> file = fileToStart(command, words.front());
    if (!file) {
        return file.error();
    }
    RunningBackends::Claim claim =
        command.interpreted ? RunningBackends::Claim() : RunningBackends::unpackClaim(command);
    if (auto busy = running.busy(claim)) {
        return Failure{std::move(*busy)};
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
    Result<LaunchedBackend> started = start(command, words, *file, output);
    if (started) {
        started->claim = std::move(claim);
        started->keptCopy = output ? output->keptCopy : "";
        started->problem = output ? commitOutput(*output).message() : "";
    }
    return started;
}

}  // namespace kestrin::backend
