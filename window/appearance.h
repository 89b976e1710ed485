// SPDX-License-Identifier: MIT
#pragma once

class QApplication;

namespace kestrin::window {

// One style and one font for each system (Fusion and DejaVu Sans on Linux, Windows' own style and
// Tahoma on Windows), so that the fixed twips geometry looks the same on every desktop and every
// caption fits its control.
void applyAppearance(QApplication& app);

}  // namespace kestrin::window
