#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_search.h"

namespace kestrin::listing {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// What one listing found: the base names in the order the search returned them, or that the
// folder could not be read before the first name was taken.
struct Listing {
    bool readable = true;
    std::vector<std::string> baseNames;

    bool operator==(const Listing&) const = default;
};

// Searches folder for names matching pattern ("*.qb") and turns each into its base name.
Listing listFiles(platform::DirectorySearch& search, std::string folder, std::string_view pattern);

}  // namespace kestrin::listing
