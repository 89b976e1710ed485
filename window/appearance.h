// SPDX-License-Identifier: MIT
#pragma once

class QApplication;

namespace kestrin::window {

// One style and font per system (Fusion and DejaVu Sans; on Windows its own style and Tahoma), so
// that the fixed geometry looks the same on every desktop and every caption fits its control.
void applyAppearance(QApplication& app);

}  // namespace kestrin::window
