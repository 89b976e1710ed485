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
#include "platform/unique_handle.h"

namespace kestrin::platform {

// Why the way to an output could not be followed.
struct OutputPathError {
    enum class Kind {
        LinkLeadsOutside,  // the file is a symlink, or a chain of them, leading outside
        PathLeadsOutside,  // a folder on the way is a symlink leading outside
        LinkToNothing,     // a symlink to a file that does not exist
        System,            // code says why
    };
    Kind kind = Kind::System;
    std::error_code code;
    std::string folder;  // as ResolvedOutput::folder
};

// What an output's name leads to.
struct ResolvedOutput {
    std::string shown;   // the file the name leads to, as the user names it ("sub/real.txt")
    std::string folder;  // the folder it belongs to as typed, without its last "/"; "" for the
                         // working folder
    // Two names lead to one file when their identities are equal: on POSIX its device and inode,
    // "" for a file not made yet; on Windows its final path, in upper case.
    std::string identity;
    bool exists = false;
    bool ordinary = false;  // a regular file
    std::uint64_t size = 0;
    std::uint64_t links = 1;     // how many names the file has (hard links)
    std::error_code unwritable;  // why this user may not write it, if so
    // Why it may not be replaced by a new file: immutable or append-only, another user's in a
    // folder with the sticky bit, or a folder that lets no name go (append-only).
    std::error_code unmovable;
#ifdef _WIN32
    std::wstring path;  // final path of the file, or of its folder and name for a new one
#else
    UniqueFd folderFd;  // the folder the name lies in, for the *at calls
    std::string name;   // its one part: no "/"
    unsigned mode = 0666;
    unsigned owner = 0;
    unsigned group = 0;
#endif
};

Result<ResolvedOutput, OutputPathError> findOutput(const std::string& file);

// On Windows cmd.exe opens the output itself and writes into the file it finds, through each of
// its names; on POSIX the program writes a new file that takes the name afterwards.
#ifdef _WIN32
inline constexpr bool kWritesIntoTheEarlierFile = true;
#else
inline constexpr bool kWritesIntoTheEarlierFile = false;
#endif

// Whether anything (a file, a folder, a link) has the output's name with suffix added.
SystemResult<bool> existsBeside(const ResolvedOutput& place, const std::string& suffix);

// Whether the output and the ordinary file beside it with suffix added hold the same bytes; false
// when either cannot be read, or the one beside is no ordinary file.
bool sameContentBeside(const ResolvedOutput& place, const std::string& suffix);

// An output made ready for a start. Opening it takes the one writer's lock, which the started
// program holds for as long as it runs, whatever becomes of Kestrin: on POSIX an flock on the
// file it writes, taken through the open file that becomes its stdout; on Windows a named
// event, keyed by the output's identity, that cmd.exe and the program inherit. A file whose lock
// is held is refused with std::errc::device_or_resource_busy. On POSIX the program writes into
// a new file: the output itself when it does not exist yet, else NAME.new, made like the
// earlier file (permission bits masked by the umask, and its owner when Kestrin runs as root),
// which takes the output's name once the program has started.
class OutputFile {
public:
    static SystemResult<OutputFile> open(ResolvedOutput place);

    OutputFile(OutputFile&& other) noexcept = default;
    OutputFile& operator=(OutputFile&&) = delete;
    // Undoes what an unfinished start made (discard()), reporting nothing.
    ~OutputFile();

    const ResolvedOutput& place() const { return m_place; }

    // POSIX: where the program's stdout goes, never 0, 1 or 2; -1 on Windows.
    int descriptor() const;
    // Windows: the lock's handle, for the program to inherit; -1 on POSIX.
    std::intptr_t inheritedLock() const;

    // Before the start: the earlier content is also kept under the output's name with suffix
    // added, never replacing anything (std::errc::file_exists when that name is taken). POSIX
    // links the earlier file there, or copies it where the file system has no hard links;
    // Windows copies it, or moves it there when it has other names, which cmd.exe would write
    // through.
    SystemResult<> keepEarlier(const std::string& suffix);

    // Once the program has started: POSIX, the new file takes the output's name; Windows,
    // nothing to do. Either way the output is the program's from now on.
    SystemResult<> commit();
    // Where the new output is, as the user names it, until it has taken the output's name.
    std::string shownNewFile() const;

    // When nothing started: the new file goes, and what keepEarlier made is undone.
    SystemResult<> discard();

private:
    explicit OutputFile(ResolvedOutput place);

    // Until commit() or discard() has settled the start, Kestrin holds the lock (Windows) or the
    // new file (POSIX).
    ResolvedOutput m_place;
    std::string m_keptAs;  // the suffix keepEarlier used, or ""
    bool m_moved = false;  // Windows: the earlier file itself was moved there
#ifdef _WIN32
    UniqueHandle m_lock;
#else
    UniqueFd m_earlier;  // holds the lock on the earlier file until the new one has its name
    UniqueFd m_new;
    std::string m_newName;  // "" once it has the output's name, or when it was made under it
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
