// SPDX-License-Identifier: MIT
#include "window/main_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>

#include "backend/command.h"
#include "backend/texts.h"
#include "common/text.h"
#include "listing/list_files.h"
#include "window/accessibility.h"
#include "window/control_table.h"
#include "window/message_order.h"
#include "window/qt_text.h"
#include "window/twips.h"

namespace kestrin::window {
namespace {

Q_LOGGING_CATEGORY(lcListing, "kestrin.listing")

using backend::Action;
using listing::kQbPattern;
using listing::kTxtPattern;

std::string field(const QLineEdit* box) {
    return toUtf8(box->text());
}

}  // namespace

MainWindow::MainWindow(Dependencies dependencies, QWidget* parent)
    : QWidget(parent),
      m_dependencies(dependencies),
      m_messages(new MessageOrder(dependencies.messages, this)) {
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
    FillFileList(kQbPattern);  // ".qb for Decompile" is the option selected at first
}

void MainWindow::FillFileList(std::string_view pattern) {
    m_files.setNames({}, {});
    const auto baseNames = listing::listFiles(m_dependencies.search, pattern);
    if (!baseNames) {
        // The message is the same whatever the cause; the cause goes where Qt's warnings go.
        qCWarning(lcListing).noquote()
            << "cannot list the working folder:" << toQString(baseNames.error().message());
        m_messages->inform(std::string(listing::kDriveNotReading));
        return;
    }
    QStringList names;
    QStringList shown;
    names.reserve(static_cast<qsizetype>(baseNames->size()));
    shown.reserve(names.capacity());
    for (const std::string& name : *baseNames) {
        names.append(toQString(name));
        // A name that shows as itself shares its text with the exact name.
        shown.append(displaysAsIs(name) ? names.back() : toQString(escapeForDisplay(name)));
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
        FillFileList(kQbPattern);
    }
}

void MainWindow::onTxtOptionChosen() {
    if (m_txtOption->isChecked()) {
        FillFileList(kTxtPattern);
    }
}

void MainWindow::onRefreshClicked() {
    FillFileList(kQbPattern);
}

std::optional<std::string> MainWindow::launch(Action action, const std::string& file,
                                              const Result<backend::Command>& command) {
    if (!command) {
        m_messages->inform(command.message());
        return std::nullopt;
    }
    Result<backend::LaunchedBackend> started = m_dependencies.launcher.launch(*command, m_running);
    if (!started) {
        m_messages->inform(started.message());
        return std::nullopt;
    }
    const std::uint64_t id = m_running.started({action, command->program, file},
                                               std::move(started->claim), started->keptCopy);
    m_dependencies.watch.watch(
        std::move(started->process), std::move(started->capture), this,
        [this, id](ProcessExit ended) { onBackendEnded(id, std::move(ended)); });
    return std::move(started->problem);
}

void MainWindow::onBackendEnded(std::uint64_t id, ProcessExit ended) {
    if (auto failed = m_running.ended(id, ended.status, std::move(ended.tail))) {
        m_messages->report(std::move(*failed));
    }
}

void MainWindow::onDecompileClicked() {
    const std::string output = field(m_decompileOutput);
    const auto problem = launch(Action::Decompile, output + ".txt",
                                backend::decompile(field(m_backendProgram), field(m_decompileInput),
                                                   toUtf8(m_game->currentText()), output));
    if (!problem) {
        return;
    }
    // The text file just written is the next Compile's input.
    m_compileInput->setText(m_decompileOutput->text());
    m_messages->inform(std::string(backend::kDecompilingDone));
    if (!problem->empty()) {
        m_messages->inform(*problem);
    }
}

void MainWindow::onCompileClicked() {
    const std::string input = field(m_compileInput);
    if (launch(Action::Compile, input + ".txt", backend::compile(field(m_backendProgram), input))) {
        m_messages->inform(std::string(backend::kCompilingDone));
    }
}

void MainWindow::onUnpackClicked() {
    const std::string archive = field(m_archive);
    (void)launch(Action::Unpack, archive, backend::unpack(field(m_backendProgram), archive));
}

}  // namespace kestrin::window
