#include "window/main_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>

#include "backend/command_lines.h"
#include "listing/list_files.h"
#include "window/control_table.h"
#include "window/twips.h"

namespace kestrin::window {
namespace {

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr std::string_view kInitiallySelectedOption = "Option1";
constexpr std::string_view kFolder = ".";
constexpr std::string_view kQbPattern = "*.qb";
constexpr std::string_view kTxtPattern = "*.txt";
constexpr std::string_view kDriveNotReading = "Drive not reading";
constexpr std::string_view kDecompilingDone = "DeCompiling Done";
constexpr std::string_view kCompilingDone = "Compiling Done";

std::string field(const QLineEdit* box) {
    return box->text().toStdString();
}

QWidget* makeBanner(std::string_view content, QWidget* parent) {
    auto* banner = new QPlainTextEdit(parent);
    // Qt keeps lines apart with "\n"; a "\r" would show as a second, empty line.
    banner->setPlainText(toQString(content).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    banner->setReadOnly(true);
    banner->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    banner->setFocusPolicy(Qt::StrongFocus);
    banner->setTabChangesFocus(true);
    // Two short lines fill the fixed box; a scroll bar would only hide them.
    banner->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    banner->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    banner->document()->setDocumentMargin(2);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Dark));  // the button-shadow colour
    banner->setPalette(palette);
    return banner;
}

}  // namespace

MainWindow::MainWindow(Seams seams, QWidget* parent) : QWidget(parent), m_seams(seams) {
    setObjectName(toQString(kWindowName));
    setWindowTitle(toQString(kWindowTitle));
    const qreal dpi = logicalDpiX();
    setFixedSize(twipsToPixels(kClientWidthTwips, dpi), twipsToPixels(kClientHeightTwips, dpi));
    buildControls();
    connectHandlers();
    onLoad();
}

template <typename T>
T* MainWindow::control(std::string_view name) const {
    return qobject_cast<T*>(m_controls.at(name));
}

void MainWindow::buildControls() {
    const qreal dpi = logicalDpiX();
    QWidget* previousInTabOrder = nullptr;
    for (const ControlSpec& control : kControls) {
        QWidget* parent = control.parent == kWindowName ? this : m_controls.at(control.parent);
        QWidget* widget = createControl(control, parent);
        widget->setObjectName(toQString(control.name));
        widget->setGeometry(
            twipsToPixels(control.left, control.top, control.width, control.height, dpi));
        if (!control.accessibleName.empty()) {
            widget->setAccessibleName(toQString(control.accessibleName));
        }
        if (widget->focusPolicy() & Qt::TabFocus) {
            if (previousInTabOrder != nullptr) {
                setTabOrder(previousInTabOrder, widget);
            }
            previousInTabOrder = widget;
        }
        m_controls.emplace(control.name, widget);
    }
    m_text1 = control<QLineEdit>("Text1");
    m_text2 = control<QLineEdit>("Text2");
    m_text3 = control<QLineEdit>("Text3");
    m_text4 = control<QLineEdit>("Text4");
    m_text5 = control<QLineEdit>("Text5");
    m_combo1 = control<QComboBox>("Combo1");
    m_list1 = control<QListView>("List1");
    m_option1 = control<QRadioButton>("Option1");
    m_option2 = control<QRadioButton>("Option2");
}

QWidget* MainWindow::createControl(const ControlSpec& control, QWidget* parent) {
    const QString caption = toQString(control.caption);
    switch (control.kind) {
        case ControlKind::GroupBox:
            return new QGroupBox(caption, parent);
        case ControlKind::TextBox:
            return new QLineEdit(caption, parent);
        case ControlKind::MultiLineTextBox:
            return makeBanner(control.caption, parent);
        case ControlKind::PushButton:
            return new QPushButton(caption, parent);
        case ControlKind::Label:
            return new QLabel(caption, parent);
        case ControlKind::OptionButton: {
            auto* option = new QRadioButton(caption, parent);
            option->setChecked(control.name == kInitiallySelectedOption);
            return option;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);  // a typed game entry stays typed
            return combo;
        }
        case ControlKind::ListBox: {
            auto* list = new QListView(parent);
            list->setModel(&m_files);
            list->setUniformItemSizes(true);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            return list;
        }
    }
    Q_UNREACHABLE();
}

void MainWindow::connectHandlers() {
    // A pick by keyboard or by a press on a new entry changes the selection; a click on the
    // entry already selected does not, so that case comes from clicked(). Clearing the model
    // resets the selection without a signal, so relisting runs no handler.
    connect(m_list1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) {
                    onListSelection();
                }
            });
    m_list1->viewport()->installEventFilter(this);
    connect(m_list1, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_selectedRowAtPress) {
            onListSelection();
        }
    });
    connect(m_option1, &QAbstractButton::clicked, this, &MainWindow::onOption1Clicked);
    connect(m_option2, &QAbstractButton::clicked, this, &MainWindow::onOption2Clicked);
    connect(control<QPushButton>("Command3"), &QAbstractButton::clicked, this,
            &MainWindow::onRefreshClicked);
    connect(control<QPushButton>("Command1"), &QAbstractButton::clicked, this,
            &MainWindow::onDecompileClicked);
    connect(control<QPushButton>("Command2"), &QAbstractButton::clicked, this,
            &MainWindow::onCompileClicked);
    connect(control<QPushButton>("Command4"), &QAbstractButton::clicked, this,
            &MainWindow::onUnpackClicked);
}

void MainWindow::onLoad() {
    for (const std::string_view entry : kGameEntries) {
        m_combo1->addItem(toQString(entry));
    }
    m_combo1->setCurrentIndex(static_cast<int>(kGameEntries.size()) - 1);
    if (m_option1->isChecked()) {
        FillFileList(std::string(kFolder), kQbPattern);
    }
}

void MainWindow::FillFileList(const std::string& folder, std::string_view pattern) {
    m_files.setStringList({});
    const auto baseNames = listing::listFiles(m_seams.search, folder, pattern);
    if (!baseNames) {
        m_seams.messages.inform(std::string(kDriveNotReading));
        return;
    }
    QStringList names;
    names.reserve(static_cast<qsizetype>(baseNames->size()));
    for (const std::string& name : *baseNames) {
        names.append(QString::fromStdString(name));
    }
    m_files.setStringList(names);  // one batch: a single model reset
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list1->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_selectedRowAtPress = selectedRow();
    }
    return QWidget::eventFilter(watched, event);
}

int MainWindow::selectedRow() const {
    const QModelIndexList rows = m_list1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::onListSelection() {
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const QString entry = m_files.index(row).data().toString();
    if (m_option2->isChecked()) {
        m_text3->setText(entry);
    } else {
        m_text1->setText(entry);
        m_text2->setText(entry);
    }
}

void MainWindow::onOption1Clicked() {
    if (m_option1->isChecked()) {
        FillFileList(std::string(kFolder), kQbPattern);
    }
}

void MainWindow::onOption2Clicked() {
    if (m_option2->isChecked()) {
        FillFileList(std::string(kFolder), kTxtPattern);
    }
}

void MainWindow::onRefreshClicked() {
    FillFileList(std::string(kFolder), kQbPattern);
}

bool MainWindow::launch(const std::string& commandLine) {
    const platform::LaunchResult result = m_seams.launcher.launch(commandLine);
    if (!result.started()) {
        m_seams.messages.inform(result.error);
    }
    return result.started();
}

void MainWindow::onDecompileClicked() {
    const backend::BuiltLine built = backend::decompileLine(
        field(m_text4), field(m_text1), m_combo1->currentText().toStdString(), field(m_text2));
    if (built.refused()) {
        m_seams.messages.inform(built.refusal);
        return;
    }
    if (!launch(built.commandLine)) {
        return;
    }
    // The text file just written is the next Compile's input.
    m_text3->setText(m_text2->text());
    m_seams.messages.inform(std::string(kDecompilingDone));
}

void MainWindow::onCompileClicked() {
    const backend::BuiltLine built = backend::compileLine(field(m_text4), field(m_text3));
    if (built.refused()) {
        m_seams.messages.inform(built.refusal);
        return;
    }
    if (launch(built.commandLine)) {
        m_seams.messages.inform(std::string(kCompilingDone));
    }
}

void MainWindow::onUnpackClicked() {
    launch(backend::unpackLine(field(m_text4), field(m_text5)));
}

}  // namespace kestrin::window
