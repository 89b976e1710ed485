// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <optional>
#include <string>
#include <string_view>

#include "backend/launch.h"
#include "backend/running.h"
#include "common/messages.h"
#include "platform/directory_search.h"
#include "window/file_list_model.h"
#include "window/process_watch.h"

class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace kestrin::window {

struct ControlSpec;
enum class ControlRole;
class MessageOrder;

// The operating system as the window sees it; app/ passes the real ones, tests pass recorders.
struct Dependencies {
    platform::DirectorySearch& search;
    backend::Launcher& launcher;
    Messages& messages;
    ProcessWatch& watch;
};

// Form1: the one window. It owns every value the program works with; handlers read the fields,
// hand them to a plain function and pass the result to one seam. Started backends are watched
// until they end, and a failure is reported then.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(Dependencies dependencies, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Builds every control of the table in order (the order is the tab order) and binds each
    // control that plays a role to its member.
    void buildControls();
    QWidget* createControl(const ControlSpec& control, QWidget* parent);
    void bind(ControlRole role, QWidget* widget);
    void connectHandlers();
    void onLoad();

    // Replaces the file list with the base names of the working folder's files that match
    // pattern.
    void FillFileList(std::string_view pattern);

    int selectedRow() const;
    void onFilePicked();
    void onQbOptionChosen();
    void onTxtOptionChosen();
    void onRefreshClicked();
    void onDecompileClicked();
    void onCompileClicked();
    void onUnpackClicked();
    // Starts a built command for action on file, unless it was refused, or the launcher refuses
    // it (one started earlier still works on the same file, say). Nothing when it did not start
    // (the user has been told why); else what went wrong after the start, in words, or "".
    std::optional<std::string> launch(backend::Action action, const std::string& file,
                                      const Result<backend::Command>& command);
    void onBackendEnded(std::uint64_t id, ProcessExit ended);

    Dependencies m_dependencies;
    MessageOrder* m_messages = nullptr;  // every message goes through here
    backend::RunningBackends m_running;
    FileListModel m_files;
    // Which entry was selected when a mouse press began, so that a click on the entry already
    // selected still counts as a pick.
    int m_selectedRowAtPress = -1;

    // The controls the handlers read, fill or listen to, by the role the table gives them.
    QLineEdit* m_decompileInput = nullptr;
    QLineEdit* m_decompileOutput = nullptr;
    QLineEdit* m_compileInput = nullptr;
    QLineEdit* m_backendProgram = nullptr;
    QLineEdit* m_archive = nullptr;
    QComboBox* m_game = nullptr;
    QListView* m_fileList = nullptr;
    QRadioButton* m_qbOption = nullptr;
    QRadioButton* m_txtOption = nullptr;
    QPushButton* m_decompileButton = nullptr;
    QPushButton* m_compileButton = nullptr;
    QPushButton* m_refreshButton = nullptr;
    QPushButton* m_unpackButton = nullptr;
};

}  // namespace kestrin::window
