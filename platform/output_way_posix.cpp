// SPDX-License-Identifier: MIT
// The way to an output on POSIX: followed beneath its folder, and what the name leads to.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/output_file.h"

namespace kestrin::platform {
namespace {

using PathResult = Result<ResolvedOutput, OutputPathError>;

// As many as the kernel itself follows in one path.
constexpr int kMostLinks = 40;

// The folder an output's path is followed beneath, and the rest of the path.
struct Base {
    UniqueFd folder;    // none for the working folder
    std::string named;  // the folder as typed, with its closing "/"; empty for the working folder
    std::string rest;

    int fd() const { return folder.valid() ? folder.get() : AT_FDCWD; }
    // The folder as typed without its closing "/", but for the root itself.
    std::string typed() const {
        return named.size() <= 1 ? named : named.substr(0, named.size() - 1);
    }
};

Result<Base, OutputPathError> baseFor(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    const bool namesItsFolder =
        file.starts_with('/') || ("/" + file + "/").find("/../") != std::string::npos;
    if (!namesItsFolder || slash == std::string::npos) {
        return Base{.folder = UniqueFd(), .named = "", .rest = file};
    }
    std::string named = file.substr(0, slash + 1);
    UniqueFd folder(open(named.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        return OutputPathError{OutputPathError::Kind::System, errnoError(), {}};
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
    return {Kind::System, errnoError(error), {}};
}

// An absolute link target as a path beneath the base, for the names shown; the open decides.
std::optional<std::string> beneathBase(const std::string& target, const Base& base) {
    std::error_code failed;
    std::string prefix = (base.named.empty() ? std::filesystem::current_path(failed)
                                             : std::filesystem::canonical(base.named, failed))
                             .string();
    prefix += prefix == "/" ? "" : "/";
    if (failed || !target.starts_with(prefix)) {
        return std::nullopt;
    }
    return target.substr(prefix.size());
}

// The path, relative to the base, that the symlink at path leads to; path itself when the name
// has just stopped being a link.
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
        // The step decides whether it really leads inside.
        return beneathBase(target, base).value_or(target);
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? target : path.substr(0, slash) + "/" + target;
}

// One step: the folder part of path opened beneath the base, and what lies at the name (info).
PathResult step(const Base& base, const std::string& path, bool viaLink, struct stat& info) {
    const std::size_t slash = path.rfind('/');
    const std::string folderPart = slash == std::string::npos ? "" : path.substr(0, slash);
    ResolvedOutput place;
    place.folderFd.reset(openFolderInside(base.fd(), folderPart));
    place.name = slash == std::string::npos ? path : path.substr(slash + 1);
    place.shown = base.named + path;
    place.folder = base.typed();
    if (!place.folderFd.valid()) {
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

// Whether the file or folder at name in folder is immutable or append-only.
bool isFixed(int folder, const char* name, int kind) {
    const UniqueFd file(
        openat(folder, name, kind | O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    int flags = 0;
    return file.valid() && ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
           (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// Why a new file may not replace name in folder, looked at before a start so that a rename after
// it rarely fails: a sticky folder where neither it nor the entry is this user's (root aside).
std::error_code whyNotMovable(int folder, const std::string& name, const struct stat& info) {
    struct stat folderInfo {};
    const uid_t user = geteuid();
    if (fstat(folder, &folderInfo) == 0 && (folderInfo.st_mode & S_ISVTX) != 0 && user != 0 &&
        info.st_uid != user && folderInfo.st_uid != user) {
        return errnoError(EPERM);
    }
    // An append-only folder takes new names but lets none go, so no new file can replace it.
    if ((S_ISREG(info.st_mode) && isFixed(folder, name.c_str(), 0)) ||
        isFixed(folder, ".", O_DIRECTORY)) {
        return errnoError(EPERM);
    }
    return {};
}

void describe(ResolvedOutput& place, const struct stat& info) {
    place.ordinary = S_ISREG(info.st_mode);
    place.size = static_cast<std::uint64_t>(info.st_size);
    place.links = info.st_nlink;
    place.mode = info.st_mode & 0777;
    place.owner = info.st_uid;
    place.group = info.st_gid;
    if (faccessat(place.folderFd.get(), place.name.c_str(), W_OK,
                  AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
        place.unwritable = errnoError();
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
        error.folder = base->typed();
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
