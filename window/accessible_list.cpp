// SPDX-License-Identifier: MIT
#include "window/accessibility.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QHash>
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
    QString text(QAccessible::Text type) const override {
        return isValid() && type == QAccessible::Name ? m_index.data().toString() : QString();
    }
    void setText(QAccessible::Text /*type*/, const QString& /*text*/) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        const QRect shown = m_view->visualRect(m_index);
        return {m_view->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        if (type == QAccessible::TableCellInterface) {
            return static_cast<QAccessibleTableCellInterface*>(this);
        }
        return nullptr;
    }

    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName == toggleAction() && isValid() &&
            m_index.flags().testFlag(Qt::ItemIsEnabled)) {
            chooseEntry(m_view, m_index);
        }
    }
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

class AccessibleList final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleList(QListView* view) : QAccessibleWidget(view, QAccessible::List) {}

    QAccessibleInterface* parent() const override {
        // A drop-down list lives in a pop-up of its own, but belongs to its combo box.
        QComboBox* combo = comboOf(view());
        return combo != nullptr ? QAccessible::queryAccessibleInterface(combo)
                                : QAccessibleWidget::parent();
    }
    QAccessibleInterface* child(int index) const override;
    int childCount() const override { return rowCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* entry = dynamic_cast<const AccessibleListEntry*>(child);
        const bool ours =
            entry != nullptr && entry->isValid() && entry->index().model() == view()->model();
        return ours ? entry->index().row() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex under = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return under.isValid() ? child(under.row()) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? child(current.row()) : nullptr;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableInterface ? static_cast<QAccessibleTableInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? child(row) : nullptr;
    }
    int selectedCellCount() const override { return selectedRowCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (const int row : selectedRows()) {
            cells.append(child(row));
        }
        return cells;
    }
    QString columnDescription(int /*column*/) const override { return {}; }
    QString rowDescription(int /*row*/) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return 1; }
    int rowCount() const override {
        const QAbstractItemModel* model = view()->model();
        return model != nullptr ? model->rowCount(view()->rootIndex()) : 0;
    }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int /*column*/) const override { return false; }
    bool isRowSelected(int row) const override { return selectedRows().contains(row); }
    bool selectRow(int row) override {
        const QModelIndex index = indexOf(row);
        if (!index.isValid() || !index.flags().testFlag(Qt::ItemIsEnabled)) {
            return false;
        }
        chooseEntry(view(), index);
        return true;
    }
    bool selectColumn(int /*column*/) override { return false; }
    // A click never leaves a single-selection list without its entry; neither does the bus.
    bool unselectRow(int /*row*/) override { return false; }
    bool unselectColumn(int /*column*/) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* /*event*/) override { forgetEntries(); }

private:
    ~AccessibleList() override { forgetEntries(); }
    QListView* view() const { return static_cast<QListView*>(widget()); }
    QModelIndex indexOf(int row) const {
        const QAbstractItemModel* model = view()->model();
        return model != nullptr ? model->index(row, view()->modelColumn(), view()->rootIndex())
                                : QModelIndex();
    }
    void forgetEntries() {
        for (const QAccessible::Id id : std::as_const(m_entries)) {
            QAccessible::deleteAccessibleInterface(id);
        }
        m_entries.clear();
    }

    // The entries handed out so far, by row; each is made when first asked for.
    mutable QHash<int, QAccessible::Id> m_entries;
};

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

QList<int> AccessibleList::selectedRows() const {
    QList<int> rows;
    if (view()->selectionModel() == nullptr) {
        return rows;
    }
    for (const QModelIndex& index : view()->selectionModel()->selectedIndexes()) {
        if (index.parent() == view()->rootIndex() && index.column() == view()->modelColumn()) {
            rows.append(index.row());
        }
    }
    return rows;
}

}  // namespace

QAccessibleInterface* makeAccessibleList(QListView* view) {
    return new AccessibleList(view);
}

}  // namespace kestrin::window
