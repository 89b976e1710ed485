// SPDX-License-Identifier: MIT
#pragma once
// The folder listing and the base-name rule. Plain C++ without Qt: this folder also builds for
// Windows, and the window only hands it a search and shows what it returns.

#include <string>
#include <string_view>

namespace kestrin::listing {

// A file name without its extension, as the list shows it: a "." followed by one to four
// characters at the end of the name is cut off; a longer ending, a name without such a dot, and
// a name of five or more characters that ends in "." stay whole. Characters are UTF-8 code points.
std::string baseName(std::string_view fileName);

}  // namespace kestrin::listing
