// SPDX-License-Identifier: MIT
#pragma once

class QApplication;

namespace kestrin::window {

// The Fusion style and the DejaVu Sans font, so that the fixed twips geometry looks the same on
// every desktop and every caption fits its control.
void applyAppearance(QApplication& app);

}  // namespace kestrin::window
