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

inline std::string cannotWrite(std::string_view file, std::string_view why) {
    return "Cannot write the output to \"" + std::string(file) + "\": " + std::string(why);
}

}  // namespace kestrin::platform
