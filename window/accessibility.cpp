// SPDX-License-Identifier: MIT
// Where Qt's own accessible descriptions fall short: the window is a frame, the option buttons'
// actions are clicks (so a choice relists), and the game box keeps its name.

#include "window/accessibility.h"

#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QRegularExpression>

#include "window/main_window.h"

namespace kestrin::window {
namespace {

// Qt's toggle action on an option button checks it without a click, so no handler hears it.
// Here every action but focusing clicks the button, exactly as the mouse does.
class AccessibleOption final : public QAccessibleWidget {
public:
    explicit AccessibleOption(QRadioButton* option)
        : QAccessibleWidget(option, QAccessible::RadioButton) {}

    QString text(QAccessible::Text type) const override {
        if (type == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            // As read aloud: a single "&" only marks the shortcut key, "&&" is an ampersand.
            static const QRegularExpression mark(QStringLiteral("&(.)"),
                                                 QRegularExpression::DotMatchesEverythingOption);
            return option()->text().replace(mark, QStringLiteral("\\1"));
        }
        return QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = option()->isChecked();
        return state;
    }
    QStringList actionNames() const override {
        const QStringList clicks = {toggleAction(), pressAction()};
        return (widget()->isEnabled() ? clicks : QStringList()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override {
        if (actionName == toggleAction() || actionName == pressAction()) {
            option()->click();  // which does nothing when the button is disabled
        } else {
            QAccessibleWidget::doAction(actionName);
        }
    }

private:
    QRadioButton* option() const { return static_cast<QRadioButton*>(widget()); }
};

// On Linux Qt names an editable combo box by its text, so the game box would be called " " or
// "THUG1". This one keeps the name it was given and reports its text as its value.
class AccessibleComboBox final : public QAccessibleWidget {
public:
    explicit AccessibleComboBox(QComboBox* combo)
        : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    // The drop-down list, then the text box of an editable one.
    int childCount() const override { return combo()->lineEdit() != nullptr ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        QObject* part = index == 0   ? static_cast<QObject*>(combo()->view())
                        : index == 1 ? combo()->lineEdit()
                                     : nullptr;
        return part != nullptr ? QAccessible::queryAccessibleInterface(part) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const QObject* part = child != nullptr ? child->object() : nullptr;
        return part == nullptr               ? -1
               : part == combo()->view()     ? 0
               : part == combo()->lineEdit() ? 1
                                             : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QLineEdit* edit = combo()->lineEdit();
        const bool inEdit = edit != nullptr && edit->isVisible() &&
                            edit->rect().contains(edit->mapFromGlobal(QPoint(x, y)));
        return inEdit ? child(1) : nullptr;
    }
    // The text box has the keyboard whenever the box has it.
    QAccessibleInterface* focusChild() const override {
        return combo()->lineEdit() != nullptr ? child(1) : QAccessibleWidget::focusChild();
    }
    QString text(QAccessible::Text type) const override {
        return type == QAccessible::Value ? combo()->currentText() : QAccessibleWidget::text(type);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = combo()->view()->isVisible();
        state.editable = combo()->isEditable();
        return state;
    }
    // Both open the drop-down list when it is closed and close it when open, as a click does.
    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
    void doAction(const QString& actionName) override {
        if (actionName != showMenuAction() && actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
        } else if (combo()->view()->isVisible()) {
            combo()->hidePopup();
        } else {
            combo()->showPopup();
        }
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

// Asked with each class name of an object, most derived first, before Qt's own factory.
QAccessibleInterface* describe(const QString& className, QObject* object) {
    if (className == QLatin1String(MainWindow::staticMetaObject.className())) {
        // The role the bus calls a frame: an application's main window.
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    }
    if (className == u"QRadioButton") {
        return new AccessibleOption(static_cast<QRadioButton*>(object));
    }
    if (className == u"QComboBox") {
        return new AccessibleComboBox(static_cast<QComboBox*>(object));
    }
    if (className == u"QListView") {
        auto* view = static_cast<QListView*>(object);
        if (view->selectionMode() == QAbstractItemView::SingleSelection) {
            return makeAccessibleList(view);
        }
    }
    return nullptr;
}

}  // namespace

void installAccessibility() {
    QAccessible::installFactory(&describe);
}

}  // namespace kestrin::window
