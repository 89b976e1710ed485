// SPDX-License-Identifier: MIT
#include "window/main_window.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QLoggingCategory>
#include <QRadioButton>
#include <functional>

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
    FillFileList(kQbPattern);  // ".qb for Decompile" is the option selected at first
}

std::string MainWindow::field(ControlRole role) const {
    return toUtf8(control<QLineEdit>(role)->text());
}

void MainWindow::connectHandlers() {
    // A pick by keyboard or by a press on a new entry changes the selection; a click on the
    // entry already selected does not, so that case comes from clicked(). Clearing the model
    // resets the selection without a signal, so relisting runs no handler.
    auto* list = control<QListView>(FileList);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                if (!selected.isEmpty()) {
                    onFilePicked();
                }
            });
    list->viewport()->installEventFilter(this);
    connect(list, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (index.row() == m_selectedRowAtPress) {
            onFilePicked();
        }
    });
    // A click on an option button leaves it checked, also when it was checked already.
    const std::pair<ControlRole, std::function<void()>> clicks[] = {
        {QbOption, [this] { FillFileList(kQbPattern); }},
        {TxtOption, [this] { FillFileList(kTxtPattern); }},
        {RefreshButton, [this] { FillFileList(kQbPattern); }},
        {DecompileButton, [this] { onDecompileClicked(); }},
        {CompileButton, [this] { onCompileClicked(); }},
        {UnpackButton, [this] { onUnpackClicked(); }},
    };
    for (const auto& [role, handler] : clicks) {
        connect(control<QAbstractButton>(role), &QAbstractButton::clicked, this, handler);
    }
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
    if (watched == control<QListView>(FileList)->viewport() &&
        event->type() == QEvent::MouseButtonPress) {
        m_selectedRowAtPress = selectedRow();
    }
    return QWidget::eventFilter(watched, event);
}

int MainWindow::selectedRow() const {
    const QModelIndexList rows = control<QListView>(FileList)->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::onFilePicked() {
    const int row = selectedRow();
    if (row < 0) {
        return;
    }
    const QString entry = m_files.index(row).data(kExactNameRole).toString();
    if (control<QRadioButton>(TxtOption)->isChecked()) {
        control<QLineEdit>(CompileInput)->setText(entry);
    } else {
        control<QLineEdit>(DecompileInput)->setText(entry);
        control<QLineEdit>(DecompileOutput)->setText(entry);
    }
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
        [this, id](ProcessExit ended) {
            if (auto failed = m_running.ended(id, ended.status, std::move(ended.tail))) {
                m_messages->report(std::move(*failed));
            }
        });
    return std::move(started->problem);
}

void MainWindow::onDecompileClicked() {
    const std::string output = field(DecompileOutput);
    const auto problem =
        launch(Action::Decompile, output + ".txt",
               backend::decompile(field(BackendProgram), field(DecompileInput),
                                  toUtf8(control<QComboBox>(Game)->currentText()), output));
    if (!problem) {
        return;
    }
    // The text file just written is the next Compile's input.
    control<QLineEdit>(CompileInput)->setText(control<QLineEdit>(DecompileOutput)->text());
    m_messages->inform(std::string(backend::kDecompilingDone));
    if (!problem->empty()) {
        m_messages->inform(*problem);
    }
}

void MainWindow::onCompileClicked() {
    const std::string input = field(CompileInput);
    if (launch(Action::Compile, input + ".txt", backend::compile(field(BackendProgram), input))) {
        m_messages->inform(std::string(backend::kCompilingDone));
    }
}

void MainWindow::onUnpackClicked() {
    const std::string archive = field(Archive);
    (void)launch(Action::Unpack, archive, backend::unpack(field(BackendProgram), archive));
}

}  // namespace kestrin::window
