// SPDX-License-Identifier: MIT
#include "backend/start_failure.h"

#include <cerrno>
#include <string_view>

#include "backend/texts.h"
#include "platform/program_lookup.h"

namespace kestrin::backend {
namespace {

// As much of a "#!" line as the kernel reads.
constexpr std::size_t kHeadSize = 256;

// A script's "#!" line: the interpreter it names, with a carriage return at its end when the
// script was saved with Windows line endings.
std::string whyScriptFailed(const std::string& program, const std::string& path,
                            std::string_view line, const std::error_code& error) {
    line.remove_prefix(2);
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    std::string_view interpreter = line.substr(0, line.find_first_of(" \t\n"));
    const bool carriageReturn = interpreter.ends_with('\r');
    if (carriageReturn) {
        interpreter.remove_suffix(1);
    }
    using enum ScriptFailure;
    const ScriptFailure why =
        interpreter.empty() ? NoInterpreter
        : carriageReturn    ? CarriageReturn
        : platform::kindOfFile(std::string(interpreter)) == platform::FileKind::Missing ? Missing
                                                                                        : CannotRun;
    return scriptFailed(program, path, interpreter, why, error);
}

}  // namespace

std::string whyNotStarted(const std::string& program, const std::string& path,
                          const std::error_code& error) {
    const auto head = platform::readHead(path, kHeadSize);
    const std::string_view bytes = head ? std::string_view(*head) : "";
    if (bytes.starts_with("#!")) {
        return whyScriptFailed(program, path, bytes.substr(0, bytes.find('\n')), error);
    }
    if (bytes.starts_with("MZ")) {
        return windowsProgram(program, path);
    }
    if (!head || error.value() != ENOEXEC) {
        return cannotStart(program, reasonFor(error));
    }
    using enum RunFailure;
    return cannotRun(program, path,
                     bytes.empty()                  ? Empty
                     : bytes.starts_with("\177ELF") ? OtherSystem  // octal: \x7FE is one hex escape
                                                    : NoProgramNoScript);
}

std::string whyNotAProgram(const std::string& program, const std::string& path,
                           platform::FileKind kind) {
    const auto head =
        kind == platform::FileKind::File ? platform::readHead(path, kHeadSize) : std::nullopt;
    return head && head->starts_with("MZ") ? windowsProgram(program, path)
                                           : unusableProgram(program, path, kind);
}

}  // namespace kestrin::backend
