// SPDX-License-Identifier: MIT
#include "window/twips.h"

#include <cmath>

namespace kestrin::window {

namespace {
constexpr qreal kTwipsPerInch = 1440.0;
}

int twipsToPixels(int twips, qreal logicalDpi) {
    return static_cast<int>(std::lround(twips * logicalDpi / kTwipsPerInch));
}

QRect twipsToPixels(int left, int top, int width, int height, qreal logicalDpi) {
    const int x = twipsToPixels(left, logicalDpi);
    const int y = twipsToPixels(top, logicalDpi);
    return {x, y, twipsToPixels(left + width, logicalDpi) - x,
            twipsToPixels(top + height, logicalDpi) - y};
}

}  // namespace kestrin::window
