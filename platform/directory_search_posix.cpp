// SPDX-License-Identifier: MIT
// Directory search on POSIX systems: opendir/readdir with our own matching and order.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/file_names.h"
#include "platform/matching_names.h"

namespace kestrin::platform {
namespace {

class DirectoryHandle {
public:
    explicit DirectoryHandle(const std::string& path) : m_dir(opendir(path.c_str())) {}
    ~DirectoryHandle() {
        if (m_dir != nullptr) {
            closedir(m_dir);
        }
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

// Regular files, and symlinks that lead to one; d_type answers without a stat for most entries.
bool isOrdinaryFile(int dirFd, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat target {};
    return fstatat(dirFd, entry.d_name, &target, 0) == 0 && S_ISREG(target.st_mode);
}

}  // namespace

Result<std::vector<std::string>> readMatchingNames(const std::string& folder,
                                                   std::string_view pattern) {
    // An empty folder is the working folder, as on Windows.
    DirectoryHandle dir(folder.empty() ? std::string(".") : folder);
    if (dir.get() == nullptr) {
        return Failure{errno == EACCES   ? "the folder is unreadable"
                       : errno == ENOENT ? "the folder no longer exists"
                                         : "the folder cannot be opened"};
    }
    const int fd = dirfd(dir.get());
    // A deleted working folder still opens and reads as empty; its link count gives it away.
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_nlink == 0) {
        return Failure{"the folder no longer exists"};
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        // Dotfiles are the hidden files here; names that are not UTF-8 could not survive the
        // round trip through the window's text fields.
        if (!name.starts_with('.') && wildcardMatch(pattern, name, false) && isValidUtf8(name) &&
            isOrdinaryFile(fd, *entry)) {
            names.emplace_back(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        return Failure{"the folder cannot be read"};
    }
    return names;
}

}  // namespace kestrin::platform
