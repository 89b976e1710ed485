// SPDX-License-Identifier: MIT
#pragma once
// The file a started program's stdout goes to, reached without leaving its folder: the working
// folder for a relative path without "..", else the folder typed ("/", a drive, "\" or ".."),
// taken as it stands. A symlink on the way is followed only while it stays inside. POSIX checks
// and opens in one step (openat2, RESOLVE_BENEATH) so that no link is swapped in between, and
// takes a way that leaves and comes back when its folder lies inside; Windows, where cmd.exe opens
// the file later, compares the final paths the system gives.

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
    std::string folder;  // the folder as typed, without its last "/"; "" for the working one
    bool exists = false;
    bool ordinary = false;  // a regular file
    std::uint64_t size = 0;
    std::uint64_t links = 1;     // how many names the file has (hard links)
    std::error_code unwritable;  // why this user may not write it, if so
    // Why a new file may not replace it: immutable or append-only, another user's in a folder
    // with the sticky bit, or in a folder that lets no name go (append-only).
    std::error_code unmovable;
#ifdef _WIN32
    std::wstring path;     // the file's final path; a new file's name as typed
    std::string identity;  // the lock's key: that path, final, in upper case
#else
    UniqueFd folderFd;  // the folder the name lies in, for the *at calls
    std::string name;   // its one part: no "/"
    unsigned mode = 0666;
    unsigned owner = 0;
    unsigned group = 0;
#endif
};

Result<ResolvedOutput, OutputPathError> findOutput(const std::string& file);

// On Windows cmd.exe writes into the file it finds, through each of its names; on POSIX the
// program writes a new file that takes the name afterwards.
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

// An output made ready for a start. Opening it takes the one writer's lock (busy: errc::
// device_or_resource_busy), which the program holds while it runs, whatever becomes of Kestrin:
// POSIX an flock through the open file that becomes its stdout, Windows a named event that cmd.exe
// and the program inherit. On POSIX the program writes a new file, the output or else NAME.new,
// made like the earlier one (mode under the umask, its owner when run as root), which takes the
// output's name once the program has started.
class OutputFile {
public:
    static SystemResult<OutputFile> open(ResolvedOutput place);

    OutputFile(OutputFile&& other) noexcept = default;
    OutputFile& operator=(OutputFile&&) = delete;
    // Undoes what an unfinished start made (discard()), reporting nothing.
    ~OutputFile() { (void)discard(); }

    const ResolvedOutput& place() const { return m_place; }

    // POSIX: where the program's stdout goes, never 0, 1 or 2; -1 on Windows.
    int descriptor() const;
    // Windows: the lock's handle, for the program to inherit; -1 on POSIX.
    std::intptr_t inheritedLock() const;

    // Before the start: the earlier content is kept under the output's name with suffix added,
    // never replacing anything (std::errc::file_exists when taken). POSIX links it there, or
    // copies it without hard links; Windows copies it, or moves it when it has other names, which
    // cmd.exe would write through.
    SystemResult<> keepEarlier(const std::string& suffix);

    // Once the program has started: POSIX, the new file takes the output's name. The output is
    // the program's from now on.
    SystemResult<> commit();
    // Where the new output is, as the user names it, until it has taken the output's name.
    std::string shownNewFile() const;

    // When nothing started: the new file goes, and what keepEarlier made is undone.
    SystemResult<> discard();

private:
    explicit OutputFile(ResolvedOutput place) : m_place(std::move(place)) {}

    // Until commit() or discard(), Kestrin holds the lock (Windows) or the new file (POSIX).
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
// walk serves without openat2 (kernels before 5.6, sandboxes that filter unknown calls): it
// follows no link at all, so it is stricter, never less safe.
int openFolderBeneath(int root, const std::string& path);
int openFolderBeneathByWalk(int root, const std::string& path);
// The way to an output: the above, or when that refuses a link, the folder the path really leads
// to if it lies inside root (a link out and back, an absolute path through a linked folder).
int openFolderInside(int root, const std::string& path);
#endif

}  // namespace kestrin::platform
