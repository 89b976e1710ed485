// SPDX-License-Identifier: MIT
#include "tools/demo_backend/demo_script_common.h"

namespace kestrin::demo {
namespace {

constexpr std::size_t kMaxNameLength = 32;

bool isNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9');
}

}  // namespace

std::string nameProblem(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) {
        return "a name has 1 to 32 characters";
    }
    if (!isNameStart(name.front())) {
        return "a name starts with a letter or \"_\"";
    }
    for (const char c : name) {
        if (!isNameChar(c)) {
            return "a name holds only letters, digits and \"_\"";
        }
    }
    return {};
}

std::size_t encodedSize(const Entry& entry) {
    const std::size_t size = 2 + entry.name.size();  // kind, name length, name
    if (std::holds_alternative<std::int32_t>(entry.value)) {
        return size + 4;
    }
    if (const auto* text = std::get_if<std::string>(&entry.value)) {
        return size + 2 + text->size();
    }
    return size + 1;
}

}  // namespace kestrin::demo
