// SPDX-License-Identifier: MIT
#pragma once
// The output of a line that cmd.exe runs on Windows. cmd.exe opens the file itself for ">", when
// it runs, so Kestrin can only look first: an output whose way leads out of its folder through a
// link (a symbolic link or a junction) is refused, and the earlier content of a file that is
// not empty is copied aside, to be kept as NAME~ once the program has started. Unlike on POSIX
// systems the look and cmd.exe's open are two steps, and cmd.exe empties the file itself, even
// for a program that then fails inside it; the copy keeps the earlier text in either case.

#include <string>

#include "platform/result.h"

namespace kestrin::platform {

// An output looked at by prepareOutput. Unless committed, it removes its copy when it goes.
class PendingOutput {
public:
    PendingOutput(std::wstring copy, std::wstring keep, std::string shownKeep);
    PendingOutput(PendingOutput&& other) noexcept;
    PendingOutput& operator=(PendingOutput&&) = delete;
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;
    ~PendingOutput();

    // Once the program has started: the copy becomes NAME~. Returns NAME~ as the user names it,
    // or "" when nothing was kept.
    std::string commit();

private:
    std::wstring m_copy;  // empty when there was nothing to keep
    std::wstring m_keep;
    std::string m_shownKeep;
};

// A relative path without ".." belongs to the working folder; a path with a drive, a leading
// separator or ".." names its folder on purpose, and only the file's own name must then stay
// inside that folder. A link to a file that does not exist is refused.
Result<PendingOutput> prepareOutput(const std::string& file);

}  // namespace kestrin::platform
