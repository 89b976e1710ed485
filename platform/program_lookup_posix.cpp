// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/program_lookup.h"
#include "platform/unique_handle.h"

namespace kestrin::platform {

FileKind kindOfFile(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return FileKind::Missing;
    }
    if (S_ISDIR(info.st_mode)) {
        return FileKind::Folder;
    }
    if (!S_ISREG(info.st_mode)) {
        return FileKind::NotOrdinary;
    }
    return access(path.c_str(), X_OK) == 0 ? FileKind::Executable : FileKind::File;
}

std::optional<std::string> environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

std::optional<std::string> readHead(const std::string& path, std::size_t limit) {
    // O_NONBLOCK: a fifo swapped in must not hang the window.
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string bytes(limit, '\0');
    const ssize_t length = read(file.get(), bytes.data(), bytes.size());
    if (length < 0) {
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

std::string commandInterpreter() {
    return {};
}

}  // namespace kestrin::platform
