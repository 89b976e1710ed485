// SPDX-License-Identifier: MIT
#pragma once
// How the system reads a name Kestrin hands on. Windows gives an ANSI main its command line in the
// code page, a look-alike ("best fit") or "?" for what the page lacks, and tells files apart
// without regard to case or trailing dots and blanks. POSIX passes arguments as bytes.

#include <string>
#include <string_view>
#include <vector>

namespace kestrin::platform {

// The active ANSI code page (GetACP); 0 on POSIX.
unsigned activeCodePage();

// The characters of text (UTF-8) that do not come back from the active code page as themselves,
// each once, in order of first appearance; always empty on POSIX.
std::vector<char32_t> changedByCodePage(std::string_view text);

// A file name as the system tells files apart: two names of one file get one key. POSIX: the
// name lexically normal ("./x" is "x"). Windows: the final path of the file when it exists, else
// the full path as Windows makes it (trailing dots and blanks gone), in upper case.
std::string fileKey(const std::string& name);

}  // namespace kestrin::platform
