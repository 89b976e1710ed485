// SPDX-License-Identifier: MIT
#pragma once
// The file a started program's stdout goes to. The way to it is followed without ever leaving
// the folder it belongs to: a relative path without ".." belongs to the working folder, and
// each symlink on its way, in its folders or as the file itself, is followed only while it
// stays inside. A path that starts with "/" (a drive or "\" on Windows) or holds ".." names its
// folder on purpose: that folder is taken as typed, and only the file's own name may then not
// lead out of it. On POSIX the checks and the opening of the folder are one step (openat2 with
// RESOLVE_BENEATH) where the path stays inside all along, so nothing can swap a link in between;
// a path whose links leave and come back is opened as the system resolves it and taken when the
// folder it reached lies inside. On Windows cmd.exe opens the file itself later, so the checks
// compare the final paths the system gives.

#include <cstdint>
#include <string>
#include <system_error>

#include "common/result.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace kestrin::platform {

#ifndef _WIN32
// An open file descriptor that closes itself.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset(other.m_fd);
            other.m_fd = -1;
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int get() const { return m_fd; }
    // Hands the descriptor over to the caller, who closes it.
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};
#endif

// Why the way to an output could not be followed.
struct OutputWayError {
    enum class Kind {
        LinkLeadsOutside,  // the file is a symlink, or a chain of them, leading outside
        PathLeadsOutside,  // a folder on the way is a symlink leading outside
        LinkToNothing,     // a symlink to a file that does not exist
        System,            // code says why
    };
    Kind kind = Kind::System;
    std::error_code code;
    std::string folder;  // as OutputPlace::folder
};

// What an output's name leads to.
struct OutputPlace {
    std::string shown;   // the file the name leads to, as the user names it ("sub/real.txt")
    std::string folder;  // the folder it belongs to as typed, without its last "/"; "" for the
                         // working folder
    // Two names lead to one file when their identities are equal: on POSIX its device and inode,
    // "" for a file not made yet; on Windows its final path, in upper case.
    std::string identity;
    bool exists = false;
    bool ordinary = false;  // a regular file
    std::uint64_t size = 0;
    std::int64_t modified = 0;   // when its content last changed, in ns since 1970
    std::error_code unwritable;  // why this user may not write it, if so
    std::error_code unmovable;   // why it may not take another name, if so
#ifdef _WIN32
    std::wstring path;  // final path of the file, or of its folder and name for a new one
#else
    Descriptor folderFd;  // the folder the name lies in, for the *at calls
    std::string name;     // its one part: no "/"
    unsigned mode = 0666;
    unsigned owner = 0;
    unsigned group = 0;
#endif
};

Result<OutputPlace, OutputWayError> findOutput(const std::string& file);

// What lies beside the output under its name with suffix added ("level.txt~"): none (an error
// of ENOENT or ERROR_FILE_NOT_FOUND), or whether it is a folder, why it could not be removed or
// replaced (POSIX: immutable or append-only, or another user's in a folder with the sticky
// bit), or why it cannot be looked at.
struct BesideState {
    bool exists = false;
    bool folder = false;
    std::error_code unremovable;
    std::error_code error;
};
BesideState lookBeside(const OutputPlace& place, const std::string& suffix);

// An output made ready for a start. On POSIX the program writes into a new hidden file beside
// the output ("." + a unique name + ".part"), made like the earlier one (permission bits masked
// by the umask, and its owner when Kestrin runs as root). On Windows, where cmd.exe writes the
// output itself, the earlier content, when the file is not empty, is copied aside to such a name.
// Unless moved somewhere by the calls below, that file is removed when this goes.
class OutputFile {
public:
    // earlierToKeep false: the earlier content is not to be kept (Windows: no copy is made).
    static SystemResult<OutputFile> prepare(OutputPlace place, bool earlierToKeep);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    const OutputPlace& place() const { return m_place; }

    // POSIX: where the program's stdout goes, never 0, 1 or 2. Windows: -1.
    int descriptor() const;
    // The identity of the file the program writes (OutputPlace::identity): POSIX the new file,
    // which takes the output's name; Windows the output's own.
    std::string writtenIdentity() const;
    // Lets the program alone hold the new file open.
    void closeDescriptor();

    // Whether there is earlier content under the output's name now, to be kept.
    bool hasEarlier() const;

    // The earlier content becomes NAME + suffix, replacing what had that name.
    SystemResult<> keepEarlier(const std::string& suffix);

    // POSIX: the new file takes the output's name. Windows: nothing to do.
    SystemResult<> takeName();

    // Whether the file prepared above holds the new output (POSIX), or the earlier content
    // (Windows); none once it has been moved.
    bool holdsNewOutput() const;

    // When the steps above could not be taken, the file prepared above takes NAME + suffix,
    // where the user sees it, never replacing a file.
    SystemResult<> giveVisibleName(const std::string& suffix);

    // Where that file is, as the user names it.
    std::string shownPart() const;

private:
    OutputFile(OutputPlace place, std::string partName);

    OutputPlace m_place;
    std::string m_partName;  // "" once moved, or when nothing was made (Windows: an empty file)
#ifndef _WIN32
    Descriptor m_part;
#endif
};

#ifndef _WIN32
// The folder at path, relative to root (a folder descriptor or AT_FDCWD; "" is root itself),
// following links only while they stay inside root; -1 with errno EXDEV when it leads out. The
// walk is what happens without openat2 (kernels before 5.6, or a sandbox that filters calls it
// does not know): every part is opened without following links, so a link to a folder is
// refused even when it stays inside; stricter, never less safe.
int openFolderBeneath(int root, const std::string& path);
int openFolderBeneathByWalk(int root, const std::string& path);
// What the way to an output uses: the above, and when that refuses a link, the folder the path
// really leads to (following links and ".." as the system does) if it lies inside root: a link
// that leaves and comes back, or an absolute path through a linked folder, stays inside.
int openFolderInside(int root, const std::string& path);
#endif

}  // namespace kestrin::platform
