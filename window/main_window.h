// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "backend/launch.h"
#include "backend/running.h"
#include "common/messages.h"
#include "platform/directory_search.h"
#include "window/file_list_model.h"
#include "window/process_watch.h"

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

// Form1, the one window. Handlers read the boxes, hand them to a plain function and pass the
// result on; started backends are watched until they end, and a failure is reported then.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(Dependencies dependencies, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Builds the table's controls in its order, the tab order, and keeps those that play a role.
    void buildControls();
    QWidget* createControl(const ControlSpec& control, QWidget* parent);
    template <typename T>
    T* control(ControlRole role) const {
        return qobject_cast<T*>(m_controls.at(role));
    }
    std::string field(ControlRole role) const;  // a text box's text
    void connectHandlers();

    // Lists the working folder's files that match pattern, by base name.
    void FillFileList(std::string_view pattern);

    int selectedRow() const;
    void onFilePicked();
    void onDecompileClicked();
    void onCompileClicked();
    void onUnpackClicked();
    // Starts a built command for action on file: nothing when it or the launcher refused it (the
    // user has been told why), else what went wrong after the start, in words, or "".
    std::optional<std::string> launch(backend::Action action, const std::string& file,
                                      const Result<backend::Command>& command);

    Dependencies m_dependencies;
    MessageOrder* m_messages = nullptr;  // every message goes through here
    backend::RunningBackends m_running;
    FileListModel m_files;
    std::map<ControlRole, QWidget*> m_controls;
    // Selected when a mouse press began: a click on the entry already selected is a pick too.
    int m_selectedRowAtPress = -1;
};

}  // namespace kestrin::window
