// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "common/text.h"
#include "platform/directory_search.h"
#include "platform/process.h"

namespace kestrin::platform {
namespace {

// Regular files, and symlinks that lead to one; d_type answers without a stat for most entries.
bool isOrdinaryFile(int folder, const dirent& entry) {
    if (entry.d_type == DT_REG) {
        return true;
    }
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) {
        return false;
    }
    struct stat target {};
    return fstatat(folder, entry.d_name, &target, 0) == 0 && S_ISREG(target.st_mode);
}

class PosixSearch final : public DirectorySearch {
public:
    SystemResult<std::vector<std::string>> filesEndingIn(std::string_view ending) override {
        const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir("."), closedir);
        if (!folder) {
            return errnoError();
        }
        // A deleted working folder still opens, and reads as empty.
        if (const std::error_code problem = workingFolderProblem()) {
            return problem;
        }
        const int fd = dirfd(folder.get());
        std::vector<std::string> names;
        errno = 0;
        while (const dirent* entry = readdir(folder.get())) {
            const std::string_view name(entry->d_name);
            if (!name.starts_with('.') && name.ends_with(ending) && isValidUtf8(name) &&
                isOrdinaryFile(fd, *entry)) {
                names.emplace_back(name);
            }
            errno = 0;
        }
        if (errno != 0) {
            return errnoError();
        }
        std::sort(names.begin(), names.end(), ntfsOrder);
        return names;
    }
};

}  // namespace

std::unique_ptr<DirectorySearch> makeDirectorySearch() {
    return std::make_unique<PosixSearch>();
}

}  // namespace kestrin::platform
