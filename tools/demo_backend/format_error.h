// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace kestrin::demo {

// Anything wrong with a file or an argument, in one line of words for standard error.
class FormatError : public std::runtime_error {
public:
    explicit FormatError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace kestrin::demo
