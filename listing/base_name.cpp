// SPDX-License-Identifier: MIT
#include "listing/base_name.h"

#include <cstddef>

#include "common/text.h"

namespace kestrin::listing {
namespace {

constexpr std::size_t kWindow = 5;

}  // namespace

std::string baseName(std::string_view fileName) {
    // Walk back over the last five characters; the last "." among them decides.
    std::size_t windowStart = fileName.size();
    std::size_t characters = 0;
    while (windowStart > 0 && characters < kWindow) {
        --windowStart;
        if (!isContinuationByte(fileName[windowStart])) {
            ++characters;
        }
    }
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot < windowStart) {
        return std::string(fileName);
    }
    // In a full window of five, a dot in the last place is the fifth position: kept whole.
    const bool dotIsLastOfFullWindow = characters == kWindow && dot + 1 == fileName.size();
    return std::string(dotIsLastOfFullWindow ? fileName : fileName.substr(0, dot));
}

}  // namespace kestrin::listing
