// SPDX-License-Identifier: MIT
// Opening a folder beneath another on POSIX: openat2 with RESOLVE_BENEATH, a walk where there is
// none, and the folder a path really leads to when it lies inside.
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>
#include <vector>

#include "platform/output_file.h"

namespace kestrin::platform {
namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// openat2 answers EAGAIN when a rename elsewhere might have let ".." escape; asking again is how
// the call is meant to be used.
constexpr int kAttempts = 16;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether folder is root or lies inside it, by the way up from folder through "..".
bool liesInside(int folder, int root) {
    constexpr int kDeepest = 4096;
    struct stat rootInfo {};
    if ((root == AT_FDCWD ? stat(".", &rootInfo) : fstat(root, &rootInfo)) != 0) {
        return false;
    }
    UniqueFd current(fcntl(folder, F_DUPFD_CLOEXEC, 0));
    for (int depth = 0; current.valid() && depth < kDeepest; ++depth) {
        struct stat info {};
        struct stat parentInfo {};
        if (fstat(current.get(), &info) != 0) {
            return false;
        }
        if (sameFile(info, rootInfo)) {
            return true;
        }
        UniqueFd parent(openat(current.get(), "..", kFolderFlags));
        if (!parent.valid() || fstat(parent.get(), &parentInfo) != 0 ||
            sameFile(parentInfo, info)) {
            return false;  // the top of the file system, never passing root
        }
        current = std::move(parent);
    }
    return false;
}

}  // namespace

int openFolderBeneathByWalk(int root, const std::string& path) {
    std::vector<UniqueFd> way;  // each folder of the way down, so that ".." can go back
    way.emplace_back(openat(root, ".", kFolderFlags));
    if (!way.back().valid()) {
        return -1;
    }
    for (const std::filesystem::path& part : std::filesystem::path(path)) {
        if (part.empty() || part == "." || part == "/") {
            continue;
        }
        if (part == "..") {
            if (way.size() == 1) {
                errno = EXDEV;
                return -1;
            }
            way.pop_back();
            continue;
        }
        UniqueFd next(openat(way.back().get(), part.c_str(), kFolderFlags | O_NOFOLLOW));
        if (!next.valid()) {
            const int error = errno;
            struct stat info {};
            const bool link =
                fstatat(way.back().get(), part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(info.st_mode);
            errno = link ? EXDEV : error;
            return -1;
        }
        way.push_back(std::move(next));
    }
    return way.back().release();
}

int openFolderBeneath(int root, const std::string& path) {
    open_how how{};
    how.flags = kFolderFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    const char* name = path.empty() ? "." : path.c_str();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const long fd = syscall(SYS_openat2, root, name, &how, sizeof how);
        if (fd >= 0) {
            return static_cast<int>(fd);
        }
        if (errno == ENOSYS || errno == EPERM) {
            return openFolderBeneathByWalk(root, path);
        }
        if (errno != EAGAIN) {
            return -1;
        }
    }
    return -1;
}

int openFolderInside(int root, const std::string& path) {
    const int beneath = openFolderBeneath(root, path);
    if (beneath >= 0 || errno != EXDEV) {
        return beneath;
    }
    // Links that leave and come back ("../this/x", or an absolute path through a linked folder):
    // the folder the path really leads to, taken only when it lies inside root.
    UniqueFd there(openat(root, path.empty() ? "." : path.c_str(), kFolderFlags));
    if (!there.valid()) {
        return -1;
    }
    if (!liesInside(there.get(), root)) {
        errno = EXDEV;
        return -1;
    }
    return there.release();
}

}  // namespace kestrin::platform
