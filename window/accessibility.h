// SPDX-License-Identifier: MIT
#pragma once

class QAccessibleInterface;
class QListView;

namespace kestrin::window {

// Gives the window's controls to the accessibility bus, working there as under the mouse.
// Idempotent; after QApplication exists, so that it overrides Qt's own descriptions.
void installAccessibility();

// A single-selection list view as the bus sees it: an entry per row, whose action does what a
// click on it does. Qt's own (private API) toggles the selection instead: on the entry already
// selected it would clear it, where a click picks it again.
QAccessibleInterface* makeAccessibleList(QListView* view);

}  // namespace kestrin::window
