// SPDX-License-Identifier: MIT
#include "platform/spawn_failure_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "platform/descriptor_posix.h"
#include "platform/file_names.h"
#include "platform/launch_messages.h"

namespace kestrin::platform {
namespace {

// As much of a "#!" line as the kernel reads.
constexpr std::size_t kHeadSize = 256;

struct Head {
    std::string bytes;  // the first kHeadSize bytes at most
    bool read = false;
};

Head readHead(const std::string& path) {
    Head head;
    const Descriptor file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return head;
    }
    head.bytes.resize(kHeadSize);
    const ssize_t length = read(file.get(), head.bytes.data(), head.bytes.size());
    head.read = length >= 0;
    head.bytes.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return head;
}

// A name read from a file, safe to show: printable ASCII as it is, every other character as
// U+XXXX (a control character would break the message, a bidirectional one turn it around),
// bytes that are not UTF-8 as \xHH.
std::string shown(std::string_view text) {
    const bool utf8 = isValidUtf8(text);
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char buffer[16];
        if (lead >= 0x20 && lead < 0x7F) {
            result += text[i++];
            continue;
        }
        if (!utf8) {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned>(lead));
            result += buffer;
            ++i;
            continue;
        }
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code));
        result += buffer;
        i += length;
    }
    return result;
}

// A script's "#!" line: what it names as the interpreter, and whether a carriage return ended
// up in that name, as it does in a script saved with Windows line endings.
std::string whyScriptFailed(const std::string& program, const std::string& path,
                            std::string_view line, int error) {
    line.remove_prefix(2);
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    std::string_view interpreter = line.substr(0, line.find_first_of(" \t\n"));
    const bool carriageReturn = interpreter.ends_with('\r');
    if (carriageReturn) {
        interpreter.remove_suffix(1);
    }
    const std::string named = "\"" + shown(interpreter) + "\"";
    const std::string firstLine = "the first line of \"" + path + "\" ";
    if (interpreter.empty()) {
        return cannotStart(program, firstLine + "starts with \"#!\" but names no interpreter.");
    }
    if (carriageReturn) {
        return cannotStart(program, firstLine +
                                        "ends in a carriage return (the file has Windows line "
                                        "endings), so the system looks for an interpreter called " +
                                        named +
                                        " followed by that character. Save the file with Unix "
                                        "line endings.");
    }
    if (struct stat info{}; stat(std::string(interpreter).c_str(), &info) != 0) {
        return cannotStart(
            program, firstLine + "names the interpreter " + named + ", which does not exist.");
    }
    return cannotStart(program, firstLine + "names the interpreter " + named +
                                    ", which cannot be run: " + reasonFor(error));
}

}  // namespace

std::string whyNotStarted(const std::string& program, const std::string& path, int error) {
    const Head head = readHead(path);
    const std::string_view bytes = head.bytes;
    if (!head.read) {
        return cannotStart(program, reasonFor(error));
    }
    if (bytes.starts_with("#!")) {
        return whyScriptFailed(program, path, bytes.substr(0, bytes.find('\n')), error);
    }
    if (bytes.starts_with("MZ")) {
        return windowsProgram(program, path);
    }
    if (error != ENOEXEC) {
        return cannotStart(program, reasonFor(error));
    }
    if (bytes.empty()) {
        return cannotRun(program, path, "it is empty.");
    }
    if (bytes.starts_with("\x7F"
                          "ELF")) {
        return cannotRun(program, path,
                         "it is a program for another kind of system, or a damaged one.");
    }
    return cannotRun(program, path,
                     "it is neither a program for this system nor a script that begins with "
                     "\"#!\".");
}

std::optional<std::string> windowsProgramAdvice(const std::string& program,
                                                const std::string& path) {
    const Head head = readHead(path);
    if (!std::string_view(head.bytes).starts_with("MZ")) {
        return std::nullopt;
    }
    return windowsProgram(program, path);
}

}  // namespace kestrin::platform
