// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_search.h"
#include "platform/result.h"

namespace kestrin::listing {

// The base names of the files in folder that match pattern ("*.qb"), in the order the search
// returns them; the search's failure when the folder cannot be read.
platform::Result<std::vector<std::string>> listFiles(platform::DirectorySearch& search,
                                                     const std::string& folder,
                                                     std::string_view pattern);

}  // namespace kestrin::listing
