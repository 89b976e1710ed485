// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>

namespace kestrin::window {

// Twips are 1/1440 inch. Edges are rounded, not sizes, so that neighbours never drift apart;
// Qt's high-DPI scaling turns these logical pixels into device pixels.
int twipsToPixels(int twips, qreal logicalDpi);
QRect twipsToPixels(int left, int top, int width, int height, qreal logicalDpi);

}  // namespace kestrin::window
