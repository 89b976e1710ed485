// SPDX-License-Identifier: MIT
#include "platform/names.h"

namespace kestrin::platform {

unsigned activeCodePage() {
    return 0;
}

std::vector<char32_t> changedByCodePage(std::string_view /*text*/) {
    return {};
}

}  // namespace kestrin::platform
