// SPDX-License-Identifier: MIT
#pragma once
// The main window's controls as one table of data: what each is, where it sits, and the role the
// window's code knows it by. Only window/ and app/ know widgets.

#include <array>
#include <string_view>

namespace kestrin::window {

// clang-format off
enum class ControlKind { GroupBox, TextBox, MultiLineTextBox, PushButton, ComboBox, ListBox, Label,
                         OptionButton };

// What the window's code does with a control; each role but None (labels, frames, the banner:
// shown, never read) belongs to exactly one row.
enum class ControlRole { None, DecompileInput, DecompileOutput, DecompileButton, CompileInput,
                         CompileButton, Game, FileList, RefreshButton, BackendProgram, Archive,
                         UnpackButton, QbOption, TxtOption };
// clang-format on

// One control. Geometry is in twips inside the parent's client area; the table's order is the tab
// order; the name becomes the object name, by which tests and the accessibility bus find it.
struct ControlSpec {
    std::string_view name;
    ControlKind kind;
    ControlRole role;
    std::string_view parent;
    int left;
    int top;
    int width;
    int height;
    std::string_view caption;         // caption or initial content
    std::string_view accessibleName;  // for controls whose caption does not name them
};

inline constexpr std::string_view kWindowName = "Form1";
inline constexpr std::string_view kWindowTitle = "Kestrin";
inline constexpr int kClientWidthTwips = 5295;
inline constexpr int kClientHeightTwips = 5730;

using enum ControlKind;
using enum ControlRole;

// clang-format off
inline constexpr std::array<ControlSpec, 21> kControls = {{
    // name, kind, role, parent, left, top, width, height, caption, accessible name
    {"Frame1", GroupBox, None, "Form1", 120, 480, 5055, 975, "Decompile", ""},
    {"Text1", TextBox, DecompileInput, "Frame1", 120, 240, 1815, 285, "", "Decompile input"},
    {"Command1", PushButton, DecompileButton, "Frame1", 3960, 240, 975, 255, "Decompile", ""},
    {"Text2", TextBox, DecompileOutput, "Frame1", 2040, 240, 1815, 285, "", "Decompile output"},
    {"Frame2", GroupBox, None, "Form1", 120, 1560, 3135, 615, "Compile", ""},
    {"Text3", TextBox, CompileInput, "Frame2", 120, 240, 1815, 285, "", "Compile input"},
    {"Command2", PushButton, CompileButton, "Frame2", 2040, 240, 975, 255, "Compile", ""},
    {"Combo1", ComboBox, Game, "Frame1", 120, 600, 1815, 315, "", "Game"},
    {"Frame3", GroupBox, None, "Form1", 120, 3000, 5055, 2655, "QBs List", ""},
    {"List1", ListBox, FileList, "Frame3", 120, 480, 4815, 1815, "", "Files"},
    {"Label1", Label, None, "Frame3", 120, 240, 855, 255, "Choose QB", ""},
    {"Label2", Label, None, "Frame3", 120, 2280, 3375, 255,
     "Place QB to the folder if list is empty and refresh", ""},
    {"Command3", PushButton, RefreshButton, "Frame3", 3840, 2280, 1095, 255, "Refresh", ""},
    {"Text4", TextBox, BackendProgram, "Form1", 3960, 120, 1215, 285, "mervo.exe",
     "Backend program"},
    {"Frame4", GroupBox, None, "Form1", 120, 2280, 3135, 615, "Unpack", ""},
    {"Text5", TextBox, Archive, "Frame4", 120, 240, 1815, 285, ".prx/pre", "Archive"},
    {"Command4", PushButton, UnpackButton, "Frame4", 2040, 240, 975, 255, "Unpack", ""},
    {"Label3", Label, None, "Form1", 2280, 120, 1695, 255, "EXE Decompiler name:", ""},
    {"Text6", MultiLineTextBox, None, "Form1", 3360, 1680, 1815, 495,
     "Launcher\r\nby the Kestrin team\r\n", "Banner"},
    {"Option1", OptionButton, QbOption, "Frame3", 2040, 120, 1575, 255, ".qb for Decompile", ""},
    {"Option2", OptionButton, TxtOption, "Frame3", 3600, 120, 1335, 255, ".txt for Compile", ""},
}};
// clang-format on

// The game box's entries, in order; the last, a single space, is its text after start-up.
inline constexpr std::array<std::string_view, 3> kGameEntries = {"DEBUG", "THUG1", " "};

}  // namespace kestrin::window
