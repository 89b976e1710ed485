// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <cmath>

namespace kestrin::window {

// Twips are 1/1440 inch. Edges are rounded, not sizes, so that neighbours never drift apart;
// Qt's high-DPI scaling turns these logical pixels into device pixels.
inline int twipsToPixels(int twips, qreal logicalDpi) {
    return static_cast<int>(std::lround(twips * logicalDpi / 1440.0));
}

inline QRect twipsToPixels(int left, int top, int width, int height, qreal logicalDpi) {
    const int x = twipsToPixels(left, logicalDpi);
    const int y = twipsToPixels(top, logicalDpi);
    return {x, y, twipsToPixels(left + width, logicalDpi) - x,
            twipsToPixels(top + height, logicalDpi) - y};
}

}  // namespace kestrin::window
