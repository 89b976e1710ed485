# SPDX-License-Identifier: MIT
"""Drives Kestrin's window the way a screen reader or a UI automation tool would: only through
the accessibility bus (AT-SPI), by the names the window gives its parts.

Usage: /usr/bin/python3 drive_window.py FOLDER
FOLDER is Kestrin's working folder, holding intro.qb and the demo backend as mervo.exe.
"""

import os
import subprocess
import sys
import time

import pyatspi

DEADLINE_SECONDS = 20  # only a bound against hanging; each wait normally ends far sooner


class Failure(Exception):
    pass


def wait_for(what, probe):
    """Returns probe()'s first true value, polling until the deadline."""
    end = time.monotonic() + DEADLINE_SECONDS
    while True:
        try:
            found = probe()
        except Exception:  # a part may vanish or not answer yet while the window changes
            found = None
        if found:
            return found
        if time.monotonic() > end:
            raise Failure(f"gave up after {DEADLINE_SECONDS} s waiting for {what}")
        time.sleep(0.05)


def children(node):
    return [node.getChildAtIndex(i) for i in range(node.childCount)]


def descendants(node):
    for child in children(node):
        if child is not None:
            yield child
            yield from descendants(child)


def find(root, role, name):
    for node in descendants(root):
        if node.getRole() == role and node.name == name:
            return node
    return None


def need(root, role, name):
    return wait_for(f'a {pyatspi.Atspi.role_get_name(role)} named "{name}"',
                    lambda: find(root, role, name))


def kestrin_application():
    desktop = pyatspi.Registry.getDesktop(0)
    return next((app for app in children(desktop) if app is not None and app.name == "kestrin"),
                None)


def top_level(app, name, roles):
    return next((w for w in children(app) if w.name == name and w.getRole() in roles), None)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def do_action(node, wanted):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if wanted not in names:
        raise Failure(f'"{node.name}" offers no {wanted} action, only {names}')
    action.doAction(names.index(wanted))


def press(button):
    do_action(button, "Press")


def entries(files):
    return [child.name for child in children(files)]


def entry(files, name):
    return next(child for child in children(files) if child.name == name)


def wait_for_entries(files, expected, after):
    wait_for(f"the list to show {expected} after {after}", lambda: entries(files) == expected)


QB_ENTRIES = ["intro", "Level", "menu"]
TXT_ENTRIES = ["credits"]


def check_game_box(window):
    """The editable game box keeps its name whatever its text; its entries' action chooses."""
    game = need(window, pyatspi.ROLE_COMBO_BOX, "Game")
    drop_down = next(child for child in children(game) if child.getRole() == pyatspi.ROLE_LIST)
    text = next(child for child in children(game) if child.getRole() == pyatspi.ROLE_TEXT)
    for choice in ("THUG1", " "):
        do_action(entry(drop_down, choice), "Toggle")
        wait_for(f'"{choice}" in the game box after its entry\'s action',
                 lambda: text_of(text) == choice)
        if game.name != "Game":
            raise Failure(f'the game box is named "{game.name}" once it holds "{choice}"')


def check_options(window, files, decompile_input, compile_input):
    """Each action of each option button clicks it: the list follows, as under the mouse."""
    qb = need(window, pyatspi.ROLE_RADIO_BUTTON, ".qb for Decompile")
    txt = need(window, pyatspi.ROLE_RADIO_BUTTON, ".txt for Compile")
    for action in ("Toggle", "Press"):
        do_action(txt, action)
        wait_for_entries(files, TXT_ENTRIES, f'{action} on ".txt for Compile"')
        do_action(entry(files, "credits"), "Toggle")
        wait_for(f'"credits" in the Compile box after {action} and a pick',
                 lambda: text_of(compile_input) == "credits")
        do_action(qb, action)
        wait_for_entries(files, QB_ENTRIES, f'{action} on ".qb for Decompile"')
        # On the option already chosen a click still relists, which ends the selection.
        files.queryTable().addRowSelection(QB_ENTRIES.index("menu"))
        wait_for('"menu" in the Decompile box', lambda: text_of(decompile_input) == "menu")
        do_action(qb, action)
        wait_for(f'{action} on the chosen ".qb for Decompile" to relist',
                 lambda: files.queryTable().nSelectedRows == 0)
        compile_input.queryEditableText().setTextContents("")


def check_selection(files, decompile_input, decompile_output):
    """Selecting a row through the list's table, or again through the entry's own action, is a
    pick that fills both Decompile boxes, even when the entry was selected already."""
    for why, select in (("the table's row selection",
                         lambda: files.queryTable().addRowSelection(QB_ENTRIES.index("Level"))),
                        ("the entry's action on the selected entry",
                         lambda: do_action(entry(files, "Level"), "Toggle"))):
        decompile_input.queryEditableText().setTextContents("edited")
        select()
        wait_for(f'"Level" in both Decompile boxes after {why}',
                 lambda: text_of(decompile_input) == "Level" and
                 text_of(decompile_output) == "Level")


def main(folder):
    app = wait_for("Kestrin on the accessibility bus", kestrin_application)
    window = wait_for('the window "Kestrin" as a frame',
                      lambda: top_level(app, "Kestrin", {pyatspi.ROLE_FRAME}))
    files = need(window, pyatspi.ROLE_LIST, "Files")
    buttons = {name: need(window, pyatspi.ROLE_PUSH_BUTTON, name)
               for name in ("Decompile", "Compile", "Refresh", "Unpack")}
    decompile_input = need(window, pyatspi.ROLE_TEXT, "Decompile input")
    decompile_output = need(window, pyatspi.ROLE_TEXT, "Decompile output")
    compile_input = need(window, pyatspi.ROLE_TEXT, "Compile input")
    if entries(files) != QB_ENTRIES:
        raise Failure(f"the list shows {entries(files)}, not the demo folder's {QB_ENTRIES}")
    check_game_box(window)
    check_options(window, files, decompile_input, compile_input)
    check_selection(files, decompile_input, decompile_output)

    # A pick as an AT-SPI client makes it: the entry's own action selects it.
    do_action(entry(files, "intro"), "Toggle")
    wait_for('"intro" in both Decompile boxes after the pick',
             lambda: text_of(decompile_input) == "intro" and text_of(decompile_output) == "intro")

    output = os.path.join(folder, "intro.txt")
    if os.path.exists(output):
        raise Failure("intro.txt exists before Decompile was pressed")
    press(buttons["Decompile"])
    box = wait_for('a message box "Kestrin"',
                   lambda: top_level(app, "Kestrin", {pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT}))
    wait_for('"DeCompiling Done" in the message box',
             lambda: find(box, pyatspi.ROLE_LABEL, "DeCompiling Done"))
    press(need(box, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    wait_for("the message box to close",
             lambda: top_level(app, "Kestrin", {pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT}) is None)

    expected = subprocess.run([os.path.join(folder, "mervo.exe"), "-d", "intro.qb"], cwd=folder,
                              capture_output=True, check=True).stdout

    def written():
        with open(output, "rb") as f:
            return f.read() == expected
    wait_for("intro.txt to hold the demo backend's text form of intro.qb", written)
    if text_of(compile_input) != "intro":
        raise Failure(f'the Compile box holds "{text_of(compile_input)}", not "intro"')
    print("accessibility: found the frame, its list, buttons and game box by name; chose games "
          "and both options by each of their actions; picked by row selection and by the "
          "entries' action; pressed Decompile and OK; intro.txt holds the decompiled text")


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Failure as failure:
        print(f"accessibility: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
