#pragma once
// The main window: its controls as one table of data, the handlers, and the look.
// This is the only folder besides app/ that knows widgets; decisions live in listing/ and
// backend/, and the operating system sits behind platform/.

#include <array>
#include <string_view>

namespace kestrin::window {

enum class ControlKind {
    GroupBox,
    TextBox,
    MultiLineTextBox,
    PushButton,
    ComboBox,
    ListBox,
    Label,
    OptionButton,
};

// One control of the window. Geometry is in twips inside the parent's client area; the table's
// order is the tab order, so tabIndex equals the row number.
struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    std::string_view parent;
    std::string_view caption;  // caption or initial content
    int left;
    int top;
    int width;
    int height;
    int tabIndex;
    std::string_view accessibleName;  // for controls whose caption does not name them
};

inline constexpr std::string_view kWindowName = "Form1";
inline constexpr std::string_view kWindowTitle = "Kestrin";
inline constexpr int kClientWidthTwips = 5295;
inline constexpr int kClientHeightTwips = 5730;

inline constexpr std::string_view kBanner = "Launcher\r\nby the Kestrin team\r\n";

using enum ControlKind;

// clang-format off
inline constexpr std::array<ControlSpec, 21> kControls = {{
    {"Frame1",   GroupBox,         "Form1",  "Decompile",  120,  480, 5055,  975,  0, ""},
    {"Text1",    TextBox,          "Frame1", "",           120,  240, 1815,  285,  1, "Decompile input"},
    {"Command1", PushButton,       "Frame1", "Decompile", 3960,  240,  975,  255,  2, ""},
    {"Text2",    TextBox,          "Frame1", "",          2040,  240, 1815,  285,  3, "Decompile output"},
    {"Frame2",   GroupBox,         "Form1",  "Compile",    120, 1560, 3135,  615,  4, ""},
    {"Text3",    TextBox,          "Frame2", "",           120,  240, 1815,  285,  5, "Compile input"},
    {"Command2", PushButton,       "Frame2", "Compile",   2040,  240,  975,  255,  6, ""},
    {"Combo1",   ComboBox,         "Frame1", "",           120,  600, 1815,  315,  7, "Game"},
    {"Frame3",   GroupBox,         "Form1",  "QBs List",   120, 3000, 5055, 2655,  8, ""},
    {"List1",    ListBox,          "Frame3", "",           120,  480, 4815, 1815,  9, "Files"},
    {"Label1",   Label,            "Frame3", "Choose QB",  120,  240,  855,  255, 10, ""},
    {"Label2",   Label,            "Frame3", "Place QB to the folder if list is empty and refresh",
                                                           120, 2280, 3375,  255, 11, ""},
    {"Command3", PushButton,       "Frame3", "Refresh",   3840, 2280, 1095,  255, 12, ""},
    {"Text4",    TextBox,          "Form1",  "mervo.exe", 3960,  120, 1215,  285, 13, "Backend program"},
    {"Frame4",   GroupBox,         "Form1",  "Unpack",     120, 2280, 3135,  615, 14, ""},
    {"Text5",    TextBox,          "Frame4", ".prx/pre",   120,  240, 1815,  285, 15, "Archive"},
    {"Command4", PushButton,       "Frame4", "Unpack",    2040,  240,  975,  255, 16, ""},
    {"Label3",   Label,            "Form1",  "EXE Decompiler name:",
                                                          2280,  120, 1695,  255, 17, ""},
    {"Text6",    MultiLineTextBox, "Form1",  kBanner,     3360, 1680, 1815,  495, 18, "Banner"},
    {"Option1",  OptionButton,     "Frame3", ".qb for Decompile",
                                                          2040,  120, 1575,  255, 19, ""},
    {"Option2",  OptionButton,     "Frame3", ".txt for Compile",
                                                          3600,  120, 1335,  255, 20, ""},
}};
// clang-format on

// The game box's entries, in order; the last, a single space, is its text after start-up.
inline constexpr std::array<std::string_view, 3> kGameEntries = {"DEBUG", "THUG1", " "};

}  // namespace kestrin::window
