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


def main(folder):
    app = wait_for("Kestrin on the accessibility bus", kestrin_application)
    window = wait_for('the window "Kestrin"',
                      lambda: top_level(app, "Kestrin", {pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW,
                                                         pyatspi.ROLE_FILLER}))
    files = need(window, pyatspi.ROLE_LIST, "Files")
    buttons = {name: need(window, pyatspi.ROLE_PUSH_BUTTON, name)
               for name in ("Decompile", "Compile", "Refresh", "Unpack")}
    entries = [child.name for child in children(files)]
    if entries != ["intro", "Level", "menu"]:
        raise Failure(f"the list shows {entries}, not the demo folder's intro, Level, menu")

    # A pick as an AT-SPI client makes it: the entry's own action selects it.
    do_action(children(files)[entries.index("intro")], "Toggle")
    decompile_input = need(window, pyatspi.ROLE_TEXT, "Decompile input")
    decompile_output = need(window, pyatspi.ROLE_TEXT, "Decompile output")
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
    compile_input = need(window, pyatspi.ROLE_TEXT, "Compile input")
    if text_of(compile_input) != "intro":
        raise Failure(f'the Compile box holds "{text_of(compile_input)}", not "intro"')
    print("accessibility: found the window, its list and buttons by name; picked intro, "
          "pressed Decompile and OK; intro.txt holds the decompiled text")


if __name__ == "__main__":
    try:
        main(sys.argv[1])
    except Failure as failure:
        print(f"accessibility: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
