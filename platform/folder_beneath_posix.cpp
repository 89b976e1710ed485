// SPDX-License-Identifier: MIT
#include "platform/folder_beneath_posix.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/descriptor_posix.h"

namespace kestrin::platform {
namespace {

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// The kernel answers EAGAIN when a rename elsewhere might have let ".." escape; asking again is
// how the call is meant to be used.
constexpr int kAttempts = 16;

std::vector<std::string_view> partsOf(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
    }
    return parts;
}

// Why a part of the walk did not open as a folder: a link is refused, anything else keeps the
// open's own error.
int walkFailure(int folder, const std::string& part) {
    const int error = errno;
    struct stat info {};
    if (fstatat(folder, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
        return EXDEV;
    }
    return error;
}

}  // namespace

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
        // No openat2 (an older kernel, or a sandbox that filters system calls it does not know).
        if (errno == ENOSYS || errno == EPERM) {
            return openFolderBeneathByWalk(root, path);
        }
        if (errno != EAGAIN) {
            return -1;
        }
    }
    return -1;
}

int openFolderBeneathByWalk(int root, const std::string& path) {
    // Each folder of the way down, so that ".." goes back to the one the walk came from.
    std::vector<Descriptor> way;
    way.emplace_back(openat(root, ".", kFolderFlags));
    if (way.back().get() < 0) {
        return -1;
    }
    for (const std::string_view view : partsOf(path)) {
        const std::string part(view);
        if (part == "..") {
            if (way.size() == 1) {
                errno = EXDEV;
                return -1;
            }
            way.pop_back();
            continue;
        }
        Descriptor next(openat(way.back().get(), part.c_str(), kFolderFlags | O_NOFOLLOW));
        if (next.get() < 0) {
            errno = walkFailure(way.back().get(), part);
            return -1;
        }
        way.push_back(std::move(next));
    }
    // The vector closes every other folder of the way.
    return way.back().release();
}

}  // namespace kestrin::platform
