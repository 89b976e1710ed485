// SPDX-License-Identifier: MIT
#pragma once

namespace kestrin::window {

// Gives the window's controls to the accessibility bus so that they work there as they do under
// the mouse. Idempotent; it must run after the QApplication exists, so that it overrides Qt's own
// descriptions of the same controls.
void installAccessibility();

}  // namespace kestrin::window
