// SPDX-License-Identifier: MIT
// Why a program did not start.
#include "backend/texts.h"

#ifdef _WIN32
#include "platform/wide_text_windows.h"
#endif

namespace kestrin::backend {
namespace {

// Kestrin's own words for the errors of starting a program that Windows words badly (with an
// insert it leaves unfilled, as "Bad EXE format for %1"); empty for the others.
std::string ownReason([[maybe_unused]] const std::error_code& error) {
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
#endif
    return {};
}

}  // namespace

std::string reasonFor(const std::error_code& error) {
    std::string own = ownReason(error);
    return own.empty() ? error.message() + "." : own;
}

std::string cannotStart(std::string_view program, std::string_view why) {
    return "Cannot start " + quoted(program) + ": " + std::string(why);
}

std::string unusableProgram(std::string_view program, std::string_view place,
                            platform::FileKind kind) {
    using platform::FileKind;
    return cannotStart(
        program,
        quoted(place) + (kind == FileKind::Folder ? " is a folder, not a program."
                         : kind == FileKind::File ? " may not be run (no execute permission)."
                                                  : " is not a program file."));
}

std::string cannotRun(std::string_view program, std::string_view place, RunFailure why) {
    constexpr std::string_view kReasons[] = {
        "it is empty.", "it is a program for another kind of system, or a damaged one.",
        "it is neither a program for this system nor a script that begins with \"#!\"."};
    return cannotStart(program, "the system cannot run " + quoted(place) + ": " +
                                    std::string(kReasons[static_cast<int>(why)]));
}

std::string windowsProgram(std::string_view program, std::string_view place) {
    return cannotStart(program,
                       quoted(place) +
                           " is a Windows program, which this system cannot run by itself. Run "
                           "it through Wine: with a small wrapper script (see EXAMPLES in \"man "
                           "kestrin\"), or by installing Debian's wine-binfmt "
                           "package and making the file executable (chmod +x).");
}

std::string batchFile(std::string_view program, std::string_view place) {
    return cannotStart(
        program, quoted(place) + " is a batch file, which only the command interpreter runs.");
}

std::string workingFolderUnreadable(std::string_view program, const std::error_code& error) {
    return cannotStart(program, "the working folder is unreadable: " + reasonFor(error));
}

std::string nearTheDescriptorLimit(std::string_view program, std::size_t limit) {
    return cannotStart(program, "Kestrin has nearly used up its limit of " + std::to_string(limit) +
                                    " open files (each running backend holds two). Try again "
                                    "once some backends have ended, or raise the limit (ulimit "
                                    "-n, or ulimit -Hn for the hard one) before starting Kestrin.");
}

std::string scriptFailed(std::string_view program, std::string_view path,
                         std::string_view interpreter, ScriptFailure why,
                         const std::error_code& error) {
    const std::string named = "names the interpreter " + quoted(interpreter);
    return cannotStart(
        program,
        "the first line of " + quoted(path) + " " +
            (why == ScriptFailure::NoInterpreter ? "starts with \"#!\" but names no interpreter."
             : why == ScriptFailure::CarriageReturn
                 ? "ends in a carriage return (the file has Windows line endings), so the system "
                   "looks for an interpreter called " +
                       quoted(interpreter) +
                       " followed by that character. Save the file with Unix line endings."
             : why == ScriptFailure::Missing
                 ? named + ", which does not exist."
                 : named + ", which cannot be run: " + reasonFor(error)));
}

std::string interpreterCommand(std::string_view program, std::string_view command) {
    return cannotStart(program, "the command interpreter would run its own command " +
                                    quoted(command) +
                                    " instead of a program. Give the program's path, such as " +
                                    quoted(".\\" + std::string(program)) + ".");
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

}  // namespace kestrin::backend
