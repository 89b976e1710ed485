#include "listing/list_files.h"

#include "listing/base_name.h"

namespace kestrin::listing {

Listing listFiles(platform::DirectorySearch& search, std::string folder, std::string_view pattern) {
    if (folder.empty() || folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    std::optional<std::string> name = search.first(folder.append(pattern));
    if (!name) {
        return Listing{.readable = false, .baseNames = {}};
    }
    Listing listing;
    // A failing next-name call ends the listing quietly: only failures up to the first name are
    // reported, and what was found so far is still worth showing.
    while (!name->empty()) {
        listing.baseNames.push_back(baseName(*name));
        name = search.next();
    }
    return listing;
}

}  // namespace kestrin::listing
