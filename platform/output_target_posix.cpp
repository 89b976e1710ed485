// SPDX-License-Identifier: MIT
#include "platform/output_target_posix.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/folder_beneath_posix.h"
#include "platform/launch_messages.h"

namespace kestrin::platform {
namespace {

// As many as the kernel itself follows in one path.
constexpr int kMostLinks = 40;

// The folder the output's path is resolved beneath, and the rest of the path.
struct Anchor {
    Descriptor folder;  // none for the working folder
    std::string named;  // the folder as typed, with its closing "/"; empty for the working folder
    std::string rest;

    int fd() const { return folder.get() < 0 ? AT_FDCWD : folder.get(); }
    std::string where() const {
        return named.empty()
                   ? std::string(kWorkingFolder)
                   : "the folder \"" + (named == "/" ? named : named.substr(0, named.size() - 1)) +
                         "\"";
    }
};

bool namesItsFolder(std::string_view file) {
    if (file.starts_with('/')) {
        return true;
    }
    std::size_t at = 0;
    while (at <= file.size()) {
        const std::size_t end = std::min(file.find('/', at), file.size());
        if (file.substr(at, end - at) == "..") {
            return true;
        }
        at = end + 1;
    }
    return false;
}

Result<Anchor> anchorFor(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (!namesItsFolder(file) || slash == std::string::npos) {
        return Anchor{.folder = Descriptor(), .named = "", .rest = file};
    }
    std::string named = file.substr(0, slash + 1);
    Descriptor folder(open(named.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) {
        return Failure{cannotWrite(file, reasonFor(errno))};
    }
    return Anchor{
        .folder = std::move(folder), .named = std::move(named), .rest = file.substr(slash + 1)};
}

// Why the way to the output failed; throughLink tells whether the file itself is a link.
Failure refusal(const std::string& file, const Anchor& anchor, int error, bool throughLink) {
    if (error == EXDEV) {
        return Failure{throughLink ? linkLeadsOutside(file, anchor.where())
                                   : pathLeadsOutside(file, anchor.where())};
    }
    if (error == ENOENT && throughLink) {
        return Failure{linkToNothing(file)};
    }
    return Failure{cannotWrite(file, reasonFor(error))};
}

// An absolute link target as a path beneath the anchor, when it names a place there at all. The
// anchor's own absolute path is only a guide: the open beneath the anchor still decides.
std::optional<std::string> beneathAnchor(const std::string& target, const Anchor& anchor) {
    char buffer[PATH_MAX];
    const char* root = anchor.named.empty() ? getcwd(buffer, sizeof buffer)
                                            : realpath(anchor.named.c_str(), buffer);
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

// The path, relative to the anchor, that the link at path leads to; path itself again when the
// name has just stopped being a link, to be looked at anew.
Result<std::string> followLink(const std::string& file, const Anchor& anchor,
                               const OutputTarget& link, const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length =
        readlinkat(link.folder.get(), link.name.c_str(), target.data(), target.size());
    if (length < 0 && errno == EINVAL) {
        return path;
    }
    if (length <= 0) {
        return refusal(file, anchor, length == 0 ? ENOENT : errno, true);
    }
    target.resize(static_cast<std::size_t>(length));
    if (target.starts_with('/')) {
        const auto inside = beneathAnchor(target, anchor);
        if (!inside) {
            return refusal(file, anchor, EXDEV, true);
        }
        return *inside;
    }
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? target : path.substr(0, slash) + "/" + target;
}

// One step of the way: the folder part of path opened beneath the anchor, and the name in it
// looked at without following it.
Result<OutputTarget> step(const std::string& file, const Anchor& anchor, const std::string& path,
                          bool viaLink) {
    const std::size_t slash = path.rfind('/');
    const std::string folderPart = slash == std::string::npos ? "" : path.substr(0, slash);
    OutputTarget target{.folder = Descriptor(openFolderBeneath(anchor.fd(), folderPart)),
                        .name = slash == std::string::npos ? path : path.substr(slash + 1),
                        .shown = anchor.named + path};
    if (target.folder.get() < 0) {
        return refusal(file, anchor, errno, viaLink);
    }
    if (target.name.empty()) {
        return refusal(file, anchor, EISDIR, viaLink);
    }
    if (fstatat(target.folder.get(), target.name.c_str(), &target.info, AT_SYMLINK_NOFOLLOW) != 0) {
        // Only the name typed may be new: a file is never made at a link's target.
        if (errno == ENOENT && !viaLink) {
            return target;
        }
        return refusal(file, anchor, errno, viaLink);
    }
    target.exists = true;
    return target;
}

}  // namespace

Result<OutputTarget> findOutputTarget(const std::string& file) {
    Result<Anchor> anchor = anchorFor(file);
    if (!anchor) {
        return anchor.failure();
    }
    std::string path = anchor->rest;
    bool viaLink = false;
    for (int hop = 0; hop <= kMostLinks; ++hop) {
        Result<OutputTarget> target = step(file, *anchor, path, viaLink);
        if (!target || !target->exists || !S_ISLNK(target->info.st_mode)) {
            return target;
        }
        Result<std::string> next = followLink(file, *anchor, *target, path);
        if (!next) {
            return next.failure();
        }
        viaLink = viaLink || *next != path;
        path = std::move(next).value();
    }
    return refusal(file, *anchor, ELOOP, true);
}

}  // namespace kestrin::platform
