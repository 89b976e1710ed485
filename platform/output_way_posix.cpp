// SPDX-License-Identifier: MIT
// The way to an output on POSIX: followed beneath its folder, and what the name leads to.
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/openat2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/output_file.h"

namespace kestrin::platform {
namespace {

using PathResult = Result<ResolvedOutput, OutputPathError>;

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// As many as the kernel itself follows in one path.
constexpr int kMostLinks = 40;
// openat2 answers EAGAIN when a rename elsewhere might have let ".." escape; asking again is how
// the call is meant to be used.
constexpr int kAttempts = 16;

std::error_code systemError(int error) {
    return {error, std::generic_category()};
}

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

}  // namespace

int openFolderBeneathByWalk(int root, const std::string& path) {
    std::vector<UniqueFd> way;  // each folder of the way down, so that ".." can go back
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
        UniqueFd next(openat(way.back().get(), part.c_str(), kFolderFlags | O_NOFOLLOW));
        if (next.get() < 0) {
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

namespace {

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
    for (int depth = 0; current.get() >= 0 && depth < kDeepest; ++depth) {
        struct stat info {};
        struct stat parentInfo {};
        if (fstat(current.get(), &info) != 0) {
            return false;
        }
        if (sameFile(info, rootInfo)) {
            return true;
        }
        UniqueFd parent(openat(current.get(), "..", kFolderFlags));
        if (parent.get() < 0 || fstat(parent.get(), &parentInfo) != 0 ||
            sameFile(parentInfo, info)) {
            return false;  // the top of the file system, never passing root
        }
        current = std::move(parent);
    }
    return false;
}

}  // namespace

int openFolderInside(int root, const std::string& path) {
    const int beneath = openFolderBeneath(root, path);
    if (beneath >= 0 || errno != EXDEV) {
        return beneath;
    }
    // Links that leave and come back ("../this/x", or an absolute path through a linked folder):
    // the folder the path really leads to, taken only when it lies inside root.
    UniqueFd there(openat(root, path.empty() ? "." : path.c_str(), kFolderFlags));
    if (there.get() < 0) {
        return -1;
    }
    if (!liesInside(there.get(), root)) {
        errno = EXDEV;
        return -1;
    }
    return there.release();
}

namespace {

// The folder an output's path is followed beneath, and the rest of the path.
struct Base {
    UniqueFd folder;    // none for the working folder
    std::string named;  // the folder as typed, with its closing "/"; empty for the working folder
    std::string rest;

    int fd() const { return folder.get() < 0 ? AT_FDCWD : folder.get(); }
};

// The folder as typed without its closing "/", but for the root itself.
std::string folderAsTyped(const Base& base) {
    return base.named.size() <= 1 ? base.named : base.named.substr(0, base.named.size() - 1);
}

bool namesItsFolder(std::string_view file) {
    if (file.starts_with('/')) {
        return true;
    }
    for (const std::string_view part : partsOf(file)) {
        if (part == "..") {
            return true;
        }
    }
    return false;
}

Result<Base, OutputPathError> baseFor(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (!namesItsFolder(file) || slash == std::string::npos) {
        return Base{.folder = UniqueFd(), .named = "", .rest = file};
    }
    std::string named = file.substr(0, slash + 1);
    UniqueFd folder(open(named.c_str(), kFolderFlags));
    if (folder.get() < 0) {
        return OutputPathError{OutputPathError::Kind::System, systemError(errno), {}};
    }
    return Base{
        .folder = std::move(folder), .named = std::move(named), .rest = file.substr(slash + 1)};
}

OutputPathError pathError(int error, bool throughLink) {
    using Kind = OutputPathError::Kind;
    if (error == EXDEV) {
        return {throughLink ? Kind::LinkLeadsOutside : Kind::PathLeadsOutside, {}, {}};
    }
    if (error == ENOENT && throughLink) {
        return {Kind::LinkToNothing, {}, {}};
    }
    return {Kind::System, systemError(error), {}};
}

// An absolute link target as a path beneath the base, when it starts with the base's own path.
// Only a guide for the names shown: the open inside the base still decides.
std::optional<std::string> beneathBase(const std::string& target, const Base& base) {
    char buffer[PATH_MAX];
    const char* root =
        base.named.empty() ? getcwd(buffer, sizeof buffer) : realpath(base.named.c_str(), buffer);
    if (root == nullptr) {
        return std::nullopt;
    }
    std::string prefix(root);
    if (prefix != "/") {
        prefix += '/';
    }
    if (!target.starts_with(prefix)) {
        return std::nullopt;
    }
    return target.substr(prefix.size());
}

// The path, relative to the base, that the symlink at path leads to; path itself again when the
// name has just stopped being a link, to be looked at anew.
Result<std::string, OutputPathError> followLink(const Base& base, const ResolvedOutput& link,
                                                const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length =
        readlinkat(link.folderFd.get(), link.name.c_str(), target.data(), target.size());
    if (length < 0 && errno == EINVAL) {
        return path;
    }
    if (length <= 0) {
        return pathError(length == 0 ? ENOENT : errno, true);
    }
    target.resize(static_cast<std::size_t>(length));
    if (target.starts_with('/')) {
        // As a path below the base when it names one plainly, else as it stands: the step
        // decides whether it really leads inside.
        return beneathBase(target, base).value_or(target);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? target : path.substr(0, slash) + "/" + target;
}

// One step of the way: the folder part of path opened beneath the base, and the name in it
// looked at without following it. info receives what lies there.
PathResult step(const Base& base, const std::string& path, bool viaLink, struct stat& info) {
    const std::size_t slash = path.rfind('/');
    const std::string folderPart = slash == std::string::npos ? "" : path.substr(0, slash);
    ResolvedOutput place;
    place.folderFd.reset(openFolderInside(base.fd(), folderPart));
    place.name = slash == std::string::npos ? path : path.substr(slash + 1);
    place.shown = base.named + path;
    place.folder = base.named.empty()
                       ? ""
                       : base.named.substr(0, std::max<std::size_t>(base.named.size() - 1, 1));
    if (place.folderFd.get() < 0) {
        return pathError(errno, viaLink);
    }
    if (place.name.empty()) {
        return pathError(EISDIR, viaLink);
    }
    if (fstatat(place.folderFd.get(), place.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        // Only the name typed may be new: a file is never made at a link's target.
        if (errno == ENOENT && !viaLink) {
            return place;
        }
        return pathError(errno, viaLink);
    }
    place.exists = true;
    return place;
}

std::string identityOf(const struct stat& info) {
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

// Why the entry name of folder may not be replaced, or no error: it is immutable or append-only,
// the folder is, or the folder has the sticky bit and neither it nor the entry is this user's
// (root excepted). Looked at before a start, so that a rename after it rarely fails.
// Whether the file or folder at name in folder is immutable or append-only.
bool isFixed(int folder, const char* name, int kind) {
    const UniqueFd file(
        openat(folder, name, kind | O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    int flags = 0;
    return file.valid() && ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

std::error_code whyNotMovable(int folder, const std::string& name, const struct stat& info) {
    struct stat folderInfo {};
    const uid_t user = geteuid();
    if (fstat(folder, &folderInfo) == 0 && (folderInfo.st_mode & S_ISVTX) != 0 && user != 0 &&
        info.st_uid != user && folderInfo.st_uid != user) {
        return systemError(EPERM);
    }
    // An append-only folder takes new names but lets none go, so no new file can replace it.
    if ((S_ISREG(info.st_mode) && isFixed(folder, name.c_str(), 0)) ||
        isFixed(folder, ".", O_DIRECTORY)) {
        return systemError(EPERM);
    }
    return {};
}

void describe(ResolvedOutput& place, const struct stat& info) {
    place.identity = identityOf(info);
    place.ordinary = S_ISREG(info.st_mode);
    place.size = static_cast<std::uint64_t>(info.st_size);
    place.links = info.st_nlink;
    place.mode = info.st_mode & 0777;
    place.owner = info.st_uid;
    place.group = info.st_gid;
    if (faccessat(place.folderFd.get(), place.name.c_str(), W_OK,
                  AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
        place.unwritable = systemError(errno);
    }
    place.unmovable = whyNotMovable(place.folderFd.get(), place.name, info);
}

}  // namespace

Result<ResolvedOutput, OutputPathError> findOutput(const std::string& file) {
    auto base = baseFor(file);
    if (!base) {
        return base.error();
    }
    const auto failed = [&](OutputPathError error) {
        error.folder = folderAsTyped(*base);
        return error;
    };
    std::string path = base->rest;
    bool viaLink = false;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        struct stat info {};
        PathResult place = step(*base, path, viaLink, info);
        if (!place) {
            return failed(place.error());
        }
        if (!place->exists) {
            return place;
        }
        if (!S_ISLNK(info.st_mode)) {
            describe(*place, info);
            return place;
        }
        auto next = followLink(*base, *place, path);
        if (!next) {
            return failed(next.error());
        }
        viaLink = viaLink || *next != path;
        path = std::move(next).value();
    }
    return failed(pathError(ELOOP, true));
}

}  // namespace kestrin::platform
