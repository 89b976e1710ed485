// SPDX-License-Identifier: MIT
#include "window/main_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include "backend/characters.h"
#include "backend/command_lines.h"
#include "listing/list_files.h"
#include "window/accessibility.h"
#include "window/backends.h"
#include "window/control_table.h"
#include "window/text_edge.h"
#include "window/twips.h"

namespace kestrin::window {
namespace {

constexpr std::string_view kFolder = ".";
constexpr std::string_view kQbPattern = "*.qb";
constexpr std::string_view kTxtPattern = "*.txt";
constexpr std::string_view kDriveNotReading = "Drive not reading";
constexpr std::string_view kDecompilingDone = "DeCompiling Done";
constexpr std::string_view kCompilingDone = "Compiling Done";

std::string field(const QLineEdit* box) {
    return toUtf8(box->text());
}

}  // namespace

MainWindow::MainWindow(Seams seams, QWidget* parent)
    : QWidget(parent),
      m_seams(seams),
      m_messages(new MessageOrder(seams.messages, this)),
      m_backends(new Backends(seams.watch, *m_messages, this)) {
    installAccessibility();  // before the controls exist, so the bus never sees Qt's version
    setObjectName(toQString(kWindowName));
    setWindowTitle(toQString(kWindowTitle));
    const qreal dpi = logicalDpiX();
    setFixedSize(twipsToPixels(kClientWidthTwips, dpi), twipsToPixels(kClientHeightTwips, dpi));
    buildControls();
    connectHandlers();
    onLoad();
}

void MainWindow::connectHandlers() {
    // A pick by keyboard or by a press on a new entry changes the selection; a click on the
    // entry already selected does not, so that case comes from clicked(). Clearing the model
    // resets the selection without a signal, so relisting runs no handler.
    connect(m_fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) {
                    onFilePicked();
                }
            });
    m_fileList->viewport()->installEventFilter(this);
    connect(m_fileList, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_selectedRowAtPress) {
            onFilePicked();
        }
    });
    connect(m_qbOption, &QAbstractButton::clicked, this, &MainWindow::onQbOptionChosen);
    connect(m_txtOption, &QAbstractButton::clicked, this, &MainWindow::onTxtOptionChosen);
    connect(m_refreshButton, &QAbstractButton::clicked, this, &MainWindow::onRefreshClicked);
    connect(m_decompileButton, &QAbstractButton::clicked, this, &MainWindow::onDecompileClicked);
    connect(m_compileButton, &QAbstractButton::clicked, this, &MainWindow::onCompileClicked);
    connect(m_unpackButton, &QAbstractButton::clicked, this, &MainWindow::onUnpackClicked);
}

void MainWindow::onLoad() {
    for (const std::string_view entry : kGameEntries) {
        m_game->addItem(toQString(entry));
    }
    m_game->setCurrentIndex(static_cast<int>(kGameEntries.size()) - 1);
    if (m_qbOption->isChecked()) {
        FillFileList(std::string(kFolder), kQbPattern);
    }
}

void MainWindow::FillFileList(const std::string& folder, std::string_view pattern) {
    m_files.setNames({}, {});
    const auto baseNames = listing::listFiles(m_seams.search, folder, pattern);
    if (!baseNames) {
        m_messages->inform(std::string(kDriveNotReading));
        return;
    }
    QStringList names;
    QStringList shown;
    names.reserve(static_cast<qsizetype>(baseNames->size()));
    shown.reserve(names.capacity());
    for (const std::string& name : *baseNames) {
        names.append(toQString(name));
        // A name that shows as itself shares its text with the exact name.
        shown.append(backend::showsAsItself(name) ? names.back()
                                                  : toQString(backend::visibleForm(name)));
    }
    m_files.setNames(std::move(names), shown);  // one batch: a single model reset
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_fileList->viewport() && event->type() == QEvent::MouseButtonPress) {
        m_selectedRowAtPress = selectedRow();
    }
    return QWidget::eventFilter(watched, event);
}

int MainWindow::selectedRow() const {
    const QModelIndexList rows = m_fileList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::onFilePicked() {
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const QString entry = m_files.index(row).data(kExactNameRole).toString();
    if (m_txtOption->isChecked()) {
        m_compileInput->setText(entry);
    } else {
        m_decompileInput->setText(entry);
        m_decompileOutput->setText(entry);
    }
}

void MainWindow::onQbOptionChosen() {
    if (m_qbOption->isChecked()) {
        FillFileList(std::string(kFolder), kQbPattern);
    }
}

void MainWindow::onTxtOptionChosen() {
    if (m_txtOption->isChecked()) {
        FillFileList(std::string(kFolder), kTxtPattern);
    }
}

void MainWindow::onRefreshClicked() {
    FillFileList(std::string(kFolder), kQbPattern);
}

bool MainWindow::launch(backend::Action action, const std::string& file,
                        const std::string& commandLine) {
    if (m_backends->running(action, file)) {
        m_messages->inform(backend::stillRunning(action, file));
        return false;
    }
    platform::Result<platform::Started> started = m_seams.launcher.launch(commandLine);
    if (!started) {
        m_messages->inform(started.message());
        return false;
    }
    m_backends->started(action, file, std::move(*started));
    return true;
}

void MainWindow::onDecompileClicked() {
    const platform::Result<std::string> line =
        backend::decompileLine(field(m_backendProgram), field(m_decompileInput),
                               toUtf8(m_game->currentText()), field(m_decompileOutput));
    if (!line) {
        m_messages->inform(line.message());
        return;
    }
    if (!launch(backend::Action::Decompile, field(m_decompileOutput) + ".txt", *line)) {
        return;
    }
    // The text file just written is the next Compile's input.
    m_compileInput->setText(m_decompileOutput->text());
    m_messages->inform(std::string(kDecompilingDone));
}

void MainWindow::onCompileClicked() {
    const platform::Result<std::string> line =
        backend::compileLine(field(m_backendProgram), field(m_compileInput));
    if (!line) {
        m_messages->inform(line.message());
        return;
    }
    if (launch(backend::Action::Compile, field(m_compileInput) + ".txt", *line)) {
        m_messages->inform(std::string(kCompilingDone));
    }
}

void MainWindow::onUnpackClicked() {
    const platform::Result<std::string> line =
        backend::unpackLine(field(m_backendProgram), field(m_archive));
    if (!line) {
        m_messages->inform(line.message());
        return;
    }
    launch(backend::Action::Unpack, field(m_archive), *line);
}

}  // namespace kestrin::window
