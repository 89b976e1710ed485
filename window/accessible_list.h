// SPDX-License-Identifier: MIT
#pragma once

class QAccessibleInterface;
class QListView;

namespace kestrin::window {

// A single-selection list view as the accessibility bus sees it: one entry per row, each with
// the one action a list offers, which does what a mouse click on the entry does. Kestrin's own,
// because Qt's accessible list classes are private API, and their entry's action toggles the
// selection: on the entry already selected it would clear it, where a click picks it again.
QAccessibleInterface* makeAccessibleList(QListView* view);

}  // namespace kestrin::window
