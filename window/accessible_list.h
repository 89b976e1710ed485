// SPDX-License-Identifier: MIT
#pragma once
// A single-selection list view as the accessibility bus sees it: one entry per row, each with
// the one action a list offers, which does what a mouse click on the entry does. Kestrin's own,
// because Qt's accessible list classes are private API that a program cannot change, and their
// entry's action toggles the selection: on the entry already selected it would clear it, where a
// click picks it again.

#include <QAccessibleWidget>
#include <QHash>

class QListView;
class QModelIndex;

namespace kestrin::window {

class AccessibleList final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleList(QListView* view);

    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override { return rowCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override { return selectedRowCount(); }
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int /*column*/) const override { return {}; }
    QString rowDescription(int /*row*/) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    int columnCount() const override { return 1; }
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int /*column*/) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int /*column*/) override { return false; }
    // A click never leaves a single-selection list without its entry; neither does the bus.
    bool unselectRow(int /*row*/) override { return false; }
    bool unselectColumn(int /*column*/) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

private:
    ~AccessibleList() override;
    QListView* view() const;
    QModelIndex indexOf(int row) const;
    void forgetEntries();

    // The entries handed out so far, by row; each is made when first asked for.
    mutable QHash<int, QAccessible::Id> m_entries;
};

}  // namespace kestrin::window
