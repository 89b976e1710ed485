// SPDX-License-Identifier: MIT
#pragma once
// Text from file names and from the backend as a message may show it. Plain C++, UTF-8.

#include <string>
#include <string_view>

namespace kestrin::backend {

// The fuller form of visibleForm (backend/characters.h) for what a backend wrote: text with
// every control character (U+0000 to U+001F other than tab, U+007F to U+009F), format
// character and line or paragraph separator written as U+XXXX: such characters would vanish,
// break the message or reorder what follows. Bytes that are not UTF-8 are left as they are.
std::string visible(std::string_view text);

}  // namespace kestrin::backend
