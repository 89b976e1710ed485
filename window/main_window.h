#pragma once

#include <QStringListModel>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>

#include "platform/directory_search.h"
#include "platform/launcher.h"
#include "platform/messages.h"

class QComboBox;
class QLineEdit;
class QListView;
class QRadioButton;

namespace kestrin::window {

struct ControlSpec;

// The operating system as the window sees it; app/ passes the real ones, tests pass recorders.
struct Seams {
    platform::DirectorySearch& search;
    platform::Launcher& launcher;
    platform::Messages& messages;
};

// Form1: the one window. It owns every value the program works with; handlers read the fields,
// hand them to a plain function and pass the result to one seam.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(Seams seams, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QWidget* createControl(const ControlSpec& control, QWidget* parent);
    void connectHandlers();
    void onLoad();

    // Replaces the file list with the base names of folder's files that match pattern.
    void FillFileList(const std::string& folder, std::string_view pattern);

    int selectedRow() const;
    void onListSelection();
    void onOption1Clicked();
    void onOption2Clicked();
    void onRefreshClicked();
    void onDecompileClicked();
    void onCompileClicked();
    void onUnpackClicked();
    // Starts a built line; true when it started, otherwise the user has been told why not.
    bool launch(const std::string& commandLine);

    template <typename T>
    T* control(std::string_view name) const;

    Seams m_seams;
    QStringListModel m_files;
    std::map<std::string_view, QWidget*> m_controls;
    // Which entry was selected when a mouse press began, so that a click on the entry already
    // selected still counts as a pick.
    int m_selectedRowAtPress = -1;

    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text3 = nullptr;
    QLineEdit* m_text4 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QComboBox* m_combo1 = nullptr;
    QListView* m_list1 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
};

}  // namespace kestrin::window
