// SPDX-License-Identifier: MIT
#pragma once
// Opening a folder by a path that must not lead out of another folder, through links or "..".
// The check and the open are one step, so nothing can swap a link in between. POSIX only.

#include <string>

namespace kestrin::platform {

// Opens the folder at path, relative to root (a folder descriptor or AT_FDCWD; "" is root
// itself), as a descriptor for the *at calls. Links are followed only while they stay inside
// root. Returns the descriptor, or -1 with errno set: EXDEV when the path leads out of root.
int openFolderBeneath(int root, const std::string& path);

// The same without openat2, which kernels before 5.6 lack: every part is opened without following
// links, so a link to a folder is refused (EXDEV) even when it stays inside. Stricter, never
// less safe; ".." is followed while it stays inside.
int openFolderBeneathByWalk(int root, const std::string& path);

}  // namespace kestrin::platform
