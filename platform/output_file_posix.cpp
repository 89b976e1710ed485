// SPDX-License-Identifier: MIT
#include "platform/output_file_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

#include "platform/launch_messages.h"

namespace kestrin::platform {
namespace {

constexpr std::string_view kKeptEnding = "~";

// Names already taken are left alone; only a folder full of them ends the search.
constexpr int kFreshAttempts = 100;

// Hidden, and ending in neither ".qb" nor ".txt", so that no list ever shows it.
std::string freshName() {
    static std::atomic<unsigned> counter{0};
    return ".kestrin-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".part";
}

// The earlier output must be an ordinary file this user may write, and its content must have
// somewhere to go.
Result<> checkEarlier(const std::string& file, const OutputTarget& target) {
    if (!target.exists) {
        return {};
    }
    if (!S_ISREG(target.info.st_mode)) {
        return Failure{notAnOrdinaryFile(file)};
    }
    const int folder = target.folder.get();
    if (faccessat(folder, target.name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
        return Failure{cannotWrite(file, reasonFor(errno))};
    }
    if (target.info.st_size == 0) {
        return {};
    }
    const std::string keep = target.name + std::string(kKeptEnding);
    struct stat info {};
    const int found = fstatat(folder, keep.c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (found != 0 && errno != ENOENT) {
        return Failure{cannotKeep(file, target.shown + std::string(kKeptEnding), reasonFor(errno))};
    }
    if (found == 0 && S_ISDIR(info.st_mode)) {
        return Failure{
            cannotKeep(file, target.shown + std::string(kKeptEnding), reasonFor(EISDIR))};
    }
    return {};
}

// Kestrin may run with standard descriptors closed; the output must not land on 0, 1 or 2,
// where the child's own redirections would overwrite it.
Result<> keepOffStandardDescriptors(const std::string& file, Descriptor& out) {
    if (out.get() <= STDERR_FILENO) {
        const int moved = fcntl(out.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        if (moved == -1) {
            return Failure{cannotWrite(file, reasonFor(errno))};
        }
        out.reset(moved);
    }
    return {};
}

// The new file looks like the earlier one where it can: its permission bits, and its owner
// when Kestrin runs as root.
void likeTheEarlier(int fresh, const OutputTarget& target) {
    if (!target.exists) {
        return;
    }
    if (target.info.st_uid != geteuid() || target.info.st_gid != getegid()) {
        // Only root may give a file away; for anyone else the new file stays theirs.
        [[maybe_unused]] const int owned = fchown(fresh, target.info.st_uid, target.info.st_gid);
    }
    [[maybe_unused]] const int moded = fchmod(fresh, target.info.st_mode & 0777);
}

struct Fresh {
    Descriptor descriptor;
    std::string name;
};

// The new file the program writes into, beside the output.
Result<Fresh> makeFresh(const std::string& file, const OutputTarget& target) {
    const int folder = target.folder.get();
    for (int attempt = 0;; ++attempt) {
        Fresh fresh{.descriptor = Descriptor(), .name = freshName()};
        fresh.descriptor.reset(
            openat(folder, fresh.name.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666));
        if (fresh.descriptor.get() < 0) {
            if (errno == EEXIST && attempt < kFreshAttempts) {
                continue;
            }
            return Failure{cannotMakeFileBeside(file, reasonFor(errno))};
        }
        likeTheEarlier(fresh.descriptor.get(), target);
        if (Result<> off = keepOffStandardDescriptors(file, fresh.descriptor); !off) {
            unlinkat(folder, fresh.name.c_str(), 0);
            return off.failure();
        }
        return fresh;
    }
}

}  // namespace

OutputFile::OutputFile(OutputTarget target, Descriptor fresh, std::string freshName)
    : m_target(std::move(target)), m_fresh(std::move(fresh)), m_freshName(std::move(freshName)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_target(std::move(other.m_target)),
      m_fresh(std::move(other.m_fresh)),
      m_freshName(std::move(other.m_freshName)),
      m_pending(std::exchange(other.m_pending, false)) {}

OutputFile::~OutputFile() {
    abandon();
}

std::string OutputFile::commit() {
    m_fresh.reset();  // the program holds its own copy
    m_pending = false;
    const int folder = m_target.folder.get();
    const std::string& name = m_target.name;
    std::string kept;
    // Looked at again now: the earlier file may have changed since the checks.
    struct stat now {};
    if (fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        (!S_ISREG(now.st_mode) || now.st_size > 0)) {
        const std::string keep = name + std::string(kKeptEnding);
        // The older copy goes first rather than being replaced by the rename: a rename that
        // replaces a file makes ext4 write the renamed file out at once, and the press wait.
        unlinkat(folder, keep.c_str(), 0);
        if (renameat(folder, name.c_str(), folder, keep.c_str()) != 0) {
            // Only a folder made as NAME~ since the checks gets here. The new output stays under
            // its hidden name rather than take the place of what could not be kept.
            return "";
        }
        kept = m_target.shown + std::string(kKeptEnding);
    }
    renameat(folder, m_freshName.c_str(), folder, name.c_str());
    return kept;
}

void OutputFile::abandon() {
    if (!m_pending) {
        return;
    }
    m_pending = false;
    m_fresh.reset();
    unlinkat(m_target.folder.get(), m_freshName.c_str(), 0);
}

Result<OutputFile> openOutput(const std::string& file) {
    Result<OutputTarget> target = findOutputTarget(file);
    if (!target) {
        return target.failure();
    }
    if (Result<> usable = checkEarlier(file, *target); !usable) {
        return usable.failure();
    }
    Result<Fresh> fresh = makeFresh(file, *target);
    if (!fresh) {
        return fresh.failure();
    }
    return OutputFile(std::move(target).value(), std::move(fresh->descriptor),
                      std::move(fresh->name));
}

}  // namespace kestrin::platform
