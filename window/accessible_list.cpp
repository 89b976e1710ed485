// SPDX-License-Identifier: MIT
#include "window/accessible_list.h"

#include <QComboBox>
#include <QItemSelectionModel>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>

namespace kestrin::window {
namespace {

// The combo box whose drop-down list the view is, if it is one.
QComboBox* comboOf(const QListView* view) {
    for (QObject* above = view->parent(); above != nullptr; above = above->parent()) {
        if (auto* combo = qobject_cast<QComboBox*>(above)) {
            return combo->view() == view ? combo : nullptr;
        }
    }
    return nullptr;
}

// What a mouse click on the entry does. In a drop-down list it chooses the entry and closes the
// list. Elsewhere the entry becomes the one selected and current; a click on the entry already
// selected is a pick again, so the selection is cleared first and the list's owner hears it.
void chooseEntry(QListView* view, const QModelIndex& index) {
    if (QComboBox* combo = comboOf(view)) {
        combo->setCurrentIndex(index.row());
        combo->hidePopup();
        return;
    }
    QItemSelectionModel* selection = view->selectionModel();
    if (selection->isSelected(index)) {
        selection->clearSelection();
    }
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

class AccessibleListEntry final : public QAccessibleInterface,
                                  public QAccessibleActionInterface,
                                  public QAccessibleTableCellInterface {
public:
    AccessibleListEntry(QListView* view, const QModelIndex& index) : m_view(view), m_index(index) {}

    const QPersistentModelIndex& index() const { return m_index; }

    bool isValid() const override { return m_view != nullptr && m_index.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_view != nullptr ? m_view->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(m_view);
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text /*type*/, const QString& /*text*/) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }

    bool isSelected() const override {
        return isValid() && m_view->selectionModel()->isSelected(m_index);
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return m_index.row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<QListView> m_view;
    QPersistentModelIndex m_index;
};

QString AccessibleListEntry::text(QAccessible::Text type) const {
    if (!isValid() || type != QAccessible::Name) {
        return {};
    }
    const QString spoken = m_index.data(Qt::AccessibleTextRole).toString();
    return spoken.isEmpty() ? m_index.data(Qt::DisplayRole).toString() : spoken;
}

QRect AccessibleListEntry::rect() const {
    if (!isValid()) {
        return {};
    }
    const QRect shown = m_view->visualRect(m_index);
    return {m_view->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
}

QAccessible::State AccessibleListEntry::state() const {
    QAccessible::State state;
    if (!isValid()) {
        state.invalid = true;
        return state;
    }
    const QWidget* viewport = m_view->viewport();
    const QRect visible(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
    state.invisible = !m_view->isVisible() || !visible.intersects(rect());
    state.selected = isSelected();
    state.focused = m_view->currentIndex() == m_index;
    const Qt::ItemFlags flags = m_index.flags();
    state.selectable = state.focusable = flags.testFlag(Qt::ItemIsSelectable);
    state.disabled = !flags.testFlag(Qt::ItemIsEnabled);
    return state;
}

void* AccessibleListEntry::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface) {
        return static_cast<QAccessibleActionInterface*>(this);
    }
    if (type == QAccessible::TableCellInterface) {
        return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
}

void AccessibleListEntry::doAction(const QString& actionName) {
    if (actionName == toggleAction() && isValid() && m_index.flags().testFlag(Qt::ItemIsEnabled)) {
        chooseEntry(m_view, m_index);
    }
}

}  // namespace

AccessibleList::AccessibleList(QListView* view) : QAccessibleWidget(view, QAccessible::List) {}

AccessibleList::~AccessibleList() {
    forgetEntries();
}

QListView* AccessibleList::view() const {
    return static_cast<QListView*>(widget());
}

QModelIndex AccessibleList::indexOf(int row) const {
    const QAbstractItemModel* model = view()->model();
    return model != nullptr ? model->index(row, view()->modelColumn(), view()->rootIndex())
                            : QModelIndex();
}

QAccessibleInterface* AccessibleList::parent() const {
    // A drop-down list lives in a pop-up of its own, but belongs to its combo box.
    if (QComboBox* combo = comboOf(view())) {
        return QAccessible::queryAccessibleInterface(combo);
    }
    return QAccessibleWidget::parent();
}

QAccessibleInterface* AccessibleList::child(int index) const {
    const QModelIndex row = indexOf(index);
    if (!row.isValid()) {
        return nullptr;
    }
    const auto known = m_entries.constFind(index);
    if (known != m_entries.constEnd()) {
        auto* made = dynamic_cast<AccessibleListEntry*>(QAccessible::accessibleInterface(*known));
        if (made != nullptr && made->index() == row) {
            return made;
        }
        // The rows changed under the entry made earlier: it stands for another row now, or none.
        QAccessible::deleteAccessibleInterface(*known);
    }
    auto* entry = new AccessibleListEntry(view(), row);
    m_entries.insert(index, QAccessible::registerAccessibleInterface(entry));
    return entry;
}

int AccessibleList::indexOfChild(const QAccessibleInterface* child) const {
    const auto* entry = dynamic_cast<const AccessibleListEntry*>(child);
    if (entry == nullptr || !entry->isValid() || entry->index().model() != view()->model()) {
        return -1;
    }
    return entry->index().row();
}

QAccessibleInterface* AccessibleList::childAt(int x, int y) const {
    const QModelIndex under = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return under.isValid() ? child(under.row()) : nullptr;
}

QAccessibleInterface* AccessibleList::focusChild() const {
    const QModelIndex current = view()->currentIndex();
    return current.isValid() ? child(current.row()) : nullptr;
}

void* AccessibleList::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface* AccessibleList::cellAt(int row, int column) const {
    return column == 0 ? child(row) : nullptr;
}

QList<QAccessibleInterface*> AccessibleList::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows()) {
        cells.append(child(row));
    }
    return cells;
}

int AccessibleList::selectedRowCount() const {
    return static_cast<int>(selectedRows().size());
}

int AccessibleList::rowCount() const {
    const QAbstractItemModel* model = view()->model();
    return model != nullptr ? model->rowCount(view()->rootIndex()) : 0;
}

QList<int> AccessibleList::selectedRows() const {
    QList<int> rows;
    if (view()->selectionModel() != nullptr) {
        for (const QModelIndex& index : view()->selectionModel()->selectedIndexes()) {
            if (index.parent() == view()->rootIndex() && index.column() == view()->modelColumn()) {
                rows.append(index.row());
            }
        }
    }
    return rows;
}

bool AccessibleList::isRowSelected(int row) const {
    return selectedRows().contains(row);
}

bool AccessibleList::selectRow(int row) {
    const QModelIndex index = indexOf(row);
    if (!index.isValid() || !index.flags().testFlag(Qt::ItemIsEnabled)) {
        return false;
    }
    chooseEntry(view(), index);
    return true;
}

void AccessibleList::modelChange(QAccessibleTableModelChangeEvent* /*event*/) {
    forgetEntries();
}

void AccessibleList::forgetEntries() {
    for (const QAccessible::Id id : std::as_const(m_entries)) {
        QAccessible::deleteAccessibleInterface(id);
    }
    m_entries.clear();
}

}  // namespace kestrin::window
