// SPDX-License-Identifier: MIT
#pragma once
// What the two forms of a demo script share: the rules for names and sizes, and where each entry
// lies in the compiled form (the text form notes it for the game "DEBUG").

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "tools/demo_backend/demo_script.h"

namespace kestrin::demo {

// The compiled form's header: magic, version, entry count.
inline constexpr std::size_t kHeaderSize = 7;
inline constexpr std::size_t kMaxCount = std::numeric_limits<std::uint16_t>::max();
inline constexpr std::size_t kMaxTextSize = std::numeric_limits<std::uint16_t>::max();

// Empty when name may name an entry, otherwise what is wrong with it.
std::string nameProblem(std::string_view name);

// The bytes entry takes up in the compiled form.
std::size_t encodedSize(const Entry& entry);

}  // namespace kestrin::demo
