// SPDX-License-Identifier: MIT
// The output on POSIX: the program writes a new file, locked with flock through the open file that
// becomes its stdout, so that the lock goes with the last process that holds it, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/output_file.h"

namespace kestrin::platform {
namespace {

constexpr int kOpenFlags = O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
// Only this many names taken already end the search for a free one.
constexpr int kNewNameAttempts = 100;

// Held by every process that has this open file; no other open file of it can take it meanwhile.
SystemResult<> lock(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0 || errno == ENOLCK || errno == EOPNOTSUPP) {
        return {};  // a file system without locks: nothing to learn, nothing to hold
    }
    return errno == EWOULDBLOCK ? std::make_error_code(std::errc::device_or_resource_busy)
                                : errnoError();
}

// The file at name opened to hold its lock, without following a link or waiting on a fifo.
UniqueFd openToLock(int folder, const std::string& name) {
    UniqueFd file(openat(folder, name.c_str(), O_RDONLY | kOpenFlags));
    if (!file.valid() && errno == EACCES) {
        file.reset(openat(folder, name.c_str(), O_WRONLY | kOpenFlags));
    }
    return file;
}

// Removes the file just made at name and gives back failed, the failure to tell: the unlink fails
// only if the folder changed meanwhile (made read-only or immutable), and nothing could do better.
std::error_code unmake(int folder, const std::string& name, std::error_code failed) {
    unlinkat(folder, name.c_str(), 0);
    return failed;
}

// A new file at name, made like the earlier output when there is one.
SystemResult<UniqueFd> makeFile(const ResolvedOutput& place, const std::string& name) {
    const int folder = place.folderFd.get();
    // The umask applies to these bits, so the new file is never more open than it allows.
    UniqueFd file(offStandardDescriptors(openat(folder, name.c_str(),
                                                O_WRONLY | O_CREAT | O_EXCL | kOpenFlags,
                                                place.exists ? place.mode : 0666)));
    if (!file.valid()) {
        return errnoError();
    }
    // Only root may give a file away; anyone else's new file stays theirs. A file system without
    // owners (FAT, exFAT) has nothing to give: the new file is as the earlier one anyway.
    if (place.exists && geteuid() == 0 && fchown(file.get(), place.owner, place.group) != 0 &&
        errno != EPERM) {
        return unmake(folder, name, errnoError());
    }
    return file;
}

// The earlier content copied into a new file at name, for a file system without hard links.
SystemResult<> copyTo(const ResolvedOutput& place, const std::string& name) {
    const UniqueFd from(openat(place.folderFd.get(), place.name.c_str(), O_RDONLY | kOpenFlags));
    if (!from.valid()) {
        return errnoError();
    }
    SystemResult<UniqueFd> to = makeFile(place, name);
    if (!to) {
        return to.error();
    }
    for (ssize_t sent = 1; sent != 0;) {
        sent = sendfile(to->get(), from.get(), nullptr, 1 << 30);
        if (sent < 0 && errno != EINTR) {
            return unmake(place.folderFd.get(), name, errnoError());
        }
    }
    return {};
}

bool sameBytes(int a, int b) {
    std::array<char, 65536> left{};
    std::array<char, 65536> right{};
    while (true) {
        const ssize_t got = read(a, left.data(), left.size());
        if (got <= 0) {
            return got == 0 && read(b, right.data(), 1) == 0;
        }
        std::size_t have = 0;
        while (have < static_cast<std::size_t>(got)) {
            const ssize_t more = read(b, right.data() + have, static_cast<std::size_t>(got) - have);
            if (more <= 0) {
                return false;
            }
            have += static_cast<std::size_t>(more);
        }
        if (std::memcmp(left.data(), right.data(), have) != 0) {
            return false;
        }
    }
}

}  // namespace

SystemResult<bool> existsBeside(const ResolvedOutput& place, const std::string& suffix) {
    struct stat info {};
    const int found =
        fstatat(place.folderFd.get(), (place.name + suffix).c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (found == 0 || errno == ENOENT) {
        return found == 0;
    }
    return errnoError();
}

bool sameContentBeside(const ResolvedOutput& place, const std::string& suffix) {
    const int folder = place.folderFd.get();
    const UniqueFd output(openat(folder, place.name.c_str(), O_RDONLY | kOpenFlags));
    const UniqueFd other(openat(folder, (place.name + suffix).c_str(), O_RDONLY | kOpenFlags));
    struct stat a {};
    struct stat b {};
    return output.valid() && other.valid() && fstat(output.get(), &a) == 0 &&
           fstat(other.get(), &b) == 0 && S_ISREG(a.st_mode) && S_ISREG(b.st_mode) &&
           a.st_size == b.st_size && sameBytes(output.get(), other.get());
}

SystemResult<OutputFile> OutputFile::open(ResolvedOutput place) {
    OutputFile output(std::move(place));
    const ResolvedOutput& at = output.m_place;
    if (at.exists) {
        output.m_earlier = openToLock(at.folderFd.get(), at.name);
        if (!output.m_earlier.valid()) {
            return errnoError();
        }
        if (SystemResult<> locked = lock(output.m_earlier.get()); !locked) {
            return locked.error();
        }
    }
    for (int attempt = 0; attempt < kNewNameAttempts; ++attempt) {
        std::string name = !at.exists     ? at.name
                           : attempt == 0 ? at.name + ".new"
                                          : at.name + ".new." + std::to_string(attempt + 1);
        SystemResult<UniqueFd> made = makeFile(at, name);
        if (!made && (made.error() != std::errc::file_exists || !at.exists)) {
            return made.error();
        }
        if (!made) {
            continue;  // a name taken already is left alone
        }
        output.m_new = std::move(made).value();
        output.m_newName = at.exists ? std::move(name) : std::string();
        // Nothing else has this file open yet: the lock is free.
        if (SystemResult<> locked = lock(output.m_new.get()); !locked) {
            return locked.error();
        }
        return output;
    }
    return std::make_error_code(std::errc::file_exists);
}

int OutputFile::descriptor() const {
    return m_new.get();
}

std::intptr_t OutputFile::inheritedLock() const {
    return -1;
}

SystemResult<> OutputFile::keepEarlier(const std::string& suffix) {
    const int folder = m_place.folderFd.get();
    const std::string keep = m_place.name + suffix;
    // A second name costs nothing and copies nothing; linkat never replaces what has that name.
    if (linkat(folder, m_place.name.c_str(), folder, keep.c_str(), 0) != 0) {
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK) {
            return errnoError();
        }
        if (SystemResult<> copied = copyTo(m_place, keep); !copied) {
            return copied;
        }
    }
    m_keptAs = suffix;
    return {};
}

SystemResult<> OutputFile::commit() {
    m_new.reset();  // the program holds its own, and with it the lock
    const int folder = m_place.folderFd.get();
    if (!m_newName.empty() &&
        renameat(folder, m_newName.c_str(), folder, m_place.name.c_str()) != 0) {
        return errnoError();
    }
    m_newName.clear();
    m_earlier.reset();  // only now, when a second Decompile finds the new file under the name
    return {};
}

std::string OutputFile::shownNewFile() const {
    const std::size_t slash = m_place.shown.rfind('/');
    return m_newName.empty()
               ? m_place.shown
               : m_place.shown.substr(0, slash == std::string::npos ? 0 : slash + 1) + m_newName;
}

SystemResult<> OutputFile::discard() {
    if (!m_new.valid()) {
        return {};
    }
    m_new.reset();
    const int folder = m_place.folderFd.get();
    const std::string made = m_newName.empty() ? m_place.name : m_newName;
    std::error_code failed;
    // What was made for this start only: the new file, and the earlier content's second name.
    if (unlinkat(folder, made.c_str(), 0) != 0) {
        failed = errnoError();
    }
    if (!m_keptAs.empty() && unlinkat(folder, (m_place.name + m_keptAs).c_str(), 0) != 0) {
        failed = errnoError();
    }
    return failed ? SystemResult<>(failed) : SystemResult<>();
}

}  // namespace kestrin::platform
