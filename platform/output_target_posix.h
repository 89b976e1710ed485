// SPDX-License-Identifier: MIT
#pragma once
// Where the output of a command line goes on POSIX systems: the folder and the name in it, found
// without ever following a link out of the folder the output belongs to.

#include <sys/stat.h>

#include <string>

#include "platform/descriptor_posix.h"
#include "platform/result.h"

namespace kestrin::platform {

struct OutputTarget {
    Descriptor folder;  // for the *at calls
    std::string name;   // one part: no "/"
    std::string shown;  // the file as the user names it, for messages ("sub/real.txt")
    bool exists = false;
    struct stat info {};  // of the name itself, when it exists; never a link
};

// A relative path without ".." belongs to the working folder: each link on its way, in its
// folders or as the file itself, is followed only while it stays inside (an absolute link too,
// when it names a place inside). A path that starts with "/" or holds ".." names its folder on
// purpose: that folder is taken as typed, and the file's own name may then only lead to a file
// inside it. A link to a file that does not exist is refused, so that no file appears anywhere
// but under the name the user typed. A failure's message names the file and the reason.
Result<OutputTarget> findOutputTarget(const std::string& file);

}  // namespace kestrin::platform
