// SPDX-License-Identifier: MIT
// The base-name rule against its properties, for any bytes as a file name. Characters are UTF-8
// code points, counted as the bytes that do not continue one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "fuzz/fuzz_check.h"
#include "listing/base_name.h"

namespace {

using kestrin::fuzz::require;

bool startsCharacter(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += startsCharacter(c) ? 1 : 0;
    }
    return count;
}

// The last five characters of text (all of it when it is shorter).
std::string_view lastFive(std::string_view text) {
    std::size_t at = text.size();
    std::size_t seen = 0;
    while (at > 0 && seen < 5) {
        --at;
        seen += startsCharacter(text[at]) ? 1 : 0;
    }
    return text.substr(at);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string base = kestrin::listing::baseName(name);

    require(name.starts_with(base), "the result is a prefix of the name");
    // The listing drops names that are not UTF-8 before the rule sees them; for those only the
    // above and the sanitizers' checks apply.
    if (!kestrin::isValidUtf8(name)) {
        return 0;
    }
    const std::string_view cut = name.substr(base.size());
    const bool longName = characters(name) >= 5;
    const bool dotLast = name.ends_with('.');
    const bool dotInLastFive = lastFive(name).find('.') != std::string_view::npos;

    if (!cut.empty()) {
        require(cut.front() == '.', "what is cut starts with a dot");
        require(cut.find('.', 1) == std::string_view::npos, "what is cut holds no other dot");
        require(characters(cut) <= 5, "what is cut is a dot and at most four characters");
    }
    if (longName && !cut.empty()) {
        require(characters(cut) >= 2, "a name of five or more loses a dot and one to four");
    }
    if (!dotInLastFive) {
        require(cut.empty(), "a name whose last five characters hold no dot comes back whole");
    }
    if (longName && dotLast) {
        require(cut.empty(), "a name of five or more ending in a dot comes back whole");
    }
    if (!longName && dotLast) {
        require(cut == ".", "a name under five ending in a dot loses only that dot");
    }
    if (dotInLastFive && !(longName && dotLast)) {
        require(!cut.empty(), "a dot among the last five characters cuts the ending");
    }
    return 0;
}
