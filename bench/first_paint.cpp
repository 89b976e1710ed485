// SPDX-License-Identifier: MIT
// The start-up the benchmark times: `first_paint kestrin FILE` starts Kestrin's window as
// app/main.cpp does after its command line; `first_paint floor FILE` a bare QWidget with a plain
// Qt widget of the kind, caption and place of each row of the window's control table, and nothing
// of Kestrin's (no style, font, model, handler or listing). Each writes its peak resident memory
// in KiB to FILE after its window's first complete paint, and ends.

#include <QtWidgets>
#include <map>

#include "app/system_window.h"
#include "bench/paint.h"
#include "platform/own_process.h"
#include "window/appearance.h"
#include "window/control_table.h"
#include "window/qt_text.h"
#include "window/twips.h"

namespace kestrin::bench {
namespace {

template <typename Widget>
QWidget* make(QWidget* parent) {
    return new Widget(parent);
}

void buildFloor(QWidget& floor) {
    using enum window::ControlKind;
    const std::map<window::ControlKind, QWidget* (*)(QWidget*)> classes = {
        {GroupBox, &make<QGroupBox>},
        {TextBox, &make<QLineEdit>},
        {MultiLineTextBox, &make<QPlainTextEdit>},
        {PushButton, &make<QPushButton>},
        {ComboBox, &make<QComboBox>},
        {ListBox, &make<QListView>},
        {Label, &make<QLabel>},
        {OptionButton, &make<QRadioButton>}};
    floor.setWindowTitle(window::toQString(window::kWindowTitle));
    const qreal dpi = floor.logicalDpiX();
    floor.setFixedSize(window::twipsToPixels(window::kClientWidthTwips, dpi),
                       window::twipsToPixels(window::kClientHeightTwips, dpi));
    std::map<std::string_view, QWidget*> made = {{window::kWindowName, &floor}};
    for (const auto& control : window::kControls) {
        QWidget* widget = classes.at(control.kind)(made.at(control.parent));
        widget->setGeometry(
            window::twipsToPixels(control.left, control.top, control.width, control.height, dpi));
        // The caption goes where the class keeps its text; a combo box and a list have none.
        for (const char* property : {"text", "title", "plainText"}) {
            if (widget->metaObject()->indexOfProperty(property) >= 0) {
                widget->setProperty(property, window::toQString(control.caption));
            }
        }
        made.emplace(control.name, widget);
    }
}

int showAndReport(QWidget& window, const char* file) {
    PaintCounter paints;
    window.installEventFilter(&paints);
    window.show();
    const bool painted =
        waitUntil([&paints] { return paints.count > 0; }, std::chrono::seconds(30));
    return painted && std::ofstream(file) << ownStatus("VmHWM") ? 0 : 1;
}

}  // namespace
}  // namespace kestrin::bench

int main(int argc, char* argv[]) {
    using namespace kestrin;
    if (argc != 3) {
        return 2;
    }
    const bool ofKestrin = std::string_view(argv[1]) == "kestrin";
    if (ofKestrin) {
        platform::prepareOwnProcess();
    }
    QApplication app(argc, argv);
    if (ofKestrin) {
        window::applyAppearance(app);
        app::SystemWindow program;
        return bench::showAndReport(program.window(), argv[2]);
    }
    QWidget floor;
    bench::buildFloor(floor);
    return bench::showAndReport(floor, argv[2]);
}
