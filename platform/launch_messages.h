// SPDX-License-Identifier: MIT
#pragma once
// The words every launcher uses when a line cannot start, so that the same mistake reads the same
// on every system.

#include <string>
#include <string_view>
#include <system_error>

namespace kestrin::platform {

// The system's words for an errno value, as the end of a message.
inline std::string reasonFor(int error) {
    return std::generic_category().message(error) + ".";
}

inline std::string cannotStart(std::string_view program, std::string_view why) {
    return "Cannot start \"" + std::string(program) + "\": " + std::string(why);
}

inline std::string programNotFound(std::string_view program) {
    return cannotStart(program, "no such program in the working folder or on PATH.");
}

// For a program named with a folder part, which is never looked up on PATH.
inline std::string fileNotFound(std::string_view program) {
    return cannotStart(program, "no such file.");
}

inline std::string programIsAFolder(std::string_view program, std::string_view place) {
    return cannotStart(program, "\"" + std::string(place) + "\" is a folder, not a program.");
}

inline std::string notAProgramFile(std::string_view program, std::string_view place) {
    return cannotStart(program, "\"" + std::string(place) + "\" is not a program file.");
}

inline std::string notExecutable(std::string_view program, std::string_view place) {
    return cannotStart(program,
                       "\"" + std::string(place) + "\" may not be run (no execute permission).");
}

// A file found where the program was looked for, that the system does not run.
inline std::string cannotRun(std::string_view program, std::string_view place,
                             std::string_view why) {
    return cannotStart(program,
                       "the system cannot run \"" + std::string(place) + "\": " + std::string(why));
}

// A file that begins with "MZ": a Windows (or DOS) program.
inline std::string windowsProgram(std::string_view program, std::string_view place) {
    return cannotStart(program,
                       "\"" + std::string(place) +
                           "\" is a Windows program, which this system cannot run by itself. Run "
                           "it through Wine: with a small wrapper script (see \"Using your own "
                           "backend\" in the README), or by installing Debian's wine-binfmt "
                           "package and making the file executable (chmod +x).");
}

inline std::string cannotWrite(std::string_view file, std::string_view why) {
    return "Cannot write the output to \"" + std::string(file) + "\": " + std::string(why);
}

// Where an output belongs unless its path names a folder of its own.
inline constexpr std::string_view kWorkingFolder = "the working folder";

// The output is a link, or a chain of them, whose end lies outside where.
inline std::string linkLeadsOutside(std::string_view file, std::string_view where) {
    return cannotWrite(file, "it is a link that leads outside " + std::string(where) + ".");
}

// A folder on the way to the output is a link that leads outside where.
inline std::string pathLeadsOutside(std::string_view file, std::string_view where) {
    return cannotWrite(
        file, "its path goes through a link that leads outside " + std::string(where) + ".");
}

inline std::string linkToNothing(std::string_view file) {
    return cannotWrite(file, "it is a link to a file that does not exist.");
}

inline std::string notAnOrdinaryFile(std::string_view file) {
    return cannotWrite(file, "it is not an ordinary file.");
}

// The earlier content of file would be kept as keep, which cannot take it.
inline std::string cannotKeep(std::string_view file, std::string_view keep, std::string_view why) {
    return cannotWrite(file, "its earlier content cannot be kept as \"" + std::string(keep) +
                                 "\": " + std::string(why));
}

// The new output is written beside the earlier one first, so the folder must take a new file.
inline std::string cannotMakeFileBeside(std::string_view file, std::string_view why) {
    return cannotWrite(file, "no new file can be made in its folder: " + std::string(why));
}

inline std::string workingFolderIsUnreadable(std::string_view program, std::string_view why) {
    return cannotStart(program, "the working folder is unreadable: " + std::string(why));
}

}  // namespace kestrin::platform
