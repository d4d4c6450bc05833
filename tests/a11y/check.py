"""The running editor as assistive tools see it on the accessibility bus.

Started by scripts/a11y-check with the editor running on its display. Checks the controls' names,
the diagram's place in the tab order, its description before and after a key press (and the event
that announces it), the table window's 96 rows, a message box read as an alert and the connection
check's findings. Prints one line per check; exits 1 on the first failure.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

DEADLINE = 20.0  # seconds for anything to appear on the bus


def fail(message):
    print("FAILED: " + message)
    sys.exit(1)


def wait_for(what, probe, events=False):
    """Runs the bus's main loop until probe() gives a true value or the deadline passes."""
    end = time.monotonic() + DEADLINE
    tick = GLib.timeout_add(50, lambda: True)  # wakes the loop to probe again
    try:
        while time.monotonic() < end:
            value = probe()
            if value:
                return value
            GLib.MainContext.default().iteration(True)
    finally:
        GLib.source_remove(tick)
    fail("no " + what + " within %d s" % DEADLINE)


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def find(root, role=None, name=None, showing=False):
    for node in walk(root):
        if role is not None and node.getRoleName() != role:
            continue
        if name is not None and node.name != name:
            continue
        if showing and not node.getState().contains(pyatspi.STATE_SHOWING):
            continue
        return node
    return None


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "TORVANIC" and find(app, role="chart"):
            return app
    return None


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def activate_main_window():
    subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "^TORVANIC",
                    "windowactivate", "--sync"], check=True, timeout=DEADLINE)


def main():
    app = wait_for("editor on the bus", application)

    expected = [("text", "X"), ("spin button", "Y"), ("scroll bar", "Entry"),
                ("combo box", "Forward frequency"), ("combo box", "Brake frequency"),
                ("text", "Deadband"), ("scroll bar", "Deadband"), ("combo box", "Port")]
    for role, name in expected:
        if find(app, role=role, name=name) is None:
            fail('no %s named "%s"' % (role, name))
    print("names: " + ", ".join('"%s"' % n for _, n in expected))

    diagram = find(app, role="chart", name="Throttle profile")
    if not diagram.description.startswith("Entry 0: X -63, "):
        fail("diagram describes " + repr(diagram.description))
    print("diagram: " + diagram.description)

    # The key press goes to the diagram through the window system, as a user's does.
    announced = []
    listener = lambda event: announced.append(event.type) if event.source == diagram else None
    pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-description")
    # The diagram is the next stop after the port list in the tab order.
    activate_main_window()
    port = find(app, role="combo box", name="Port")
    port.queryComponent().grabFocus()
    wait_for("focus on the port list", lambda: port.getState().contains(pyatspi.STATE_FOCUSED))
    key("Tab")
    wait_for("focus on the diagram after Tab", lambda: diagram.getState().contains(pyatspi.STATE_FOCUSED))
    key("Right")
    wait_for("description event after Right", lambda: announced)
    if not diagram.description.startswith("Entry 1: X -61, "):
        fail("after Right the diagram describes " + repr(diagram.description))
    pyatspi.Registry.deregisterEventListener(listener, "object:property-change:accessible-description")
    print("after Right: %s (%d event)" % (diagram.description, len(announced)))

    key("ctrl+t")
    window = wait_for("table window", lambda: find(app, role="dialog", name="Profile table", showing=True))
    table = wait_for("table", lambda: find(window, role="table", name="Profile table"))
    rows = table.queryTable().nRows
    if rows != 96:
        fail("the table has %d rows" % rows)
    print("table: %d rows, %d columns" % (rows, table.queryTable().nColumns))

    # Typed into the table window: the entry takes it, and Undo there takes it back.
    wait_for("focus in the table", lambda: table.getState().contains(pyatspi.STATE_FOCUSED))
    key("Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "Down", "1", "2", "3", "Return")
    wait_for("entry 10 at 123", lambda: diagram.description.startswith("Entry 10: X -43, Y 123,"))
    key("ctrl+z")
    wait_for("entry 10 back", lambda: not diagram.description.startswith("Entry 10: X -43, Y 123,"))
    print("typed in the table, then undone: " + diagram.description)

    # A message box is an alert, which screen readers read when it appears.
    activate_main_window()
    key("F4")
    alert = wait_for("message box", lambda: find(app, role="alert", showing=True))
    text = [n.name for n in walk(alert) if n.getRoleName() == "label" and n.name]
    if not text:
        fail("the message box has no text")
    print("message box: " + " / ".join(text))
    key("Return")

    # The connection check's findings come with its window.
    wait_for("message box closed", lambda: find(app, role="alert", showing=True) is None)
    activate_main_window()
    key("F5")
    check = wait_for("connection check", lambda: find(app, role="dialog", name="Connection check", showing=True))
    findings = find(check, role="text", name="Findings")
    if findings is None or not check.description or check.description != findings.queryText().getText(0, -1):
        fail("the connection check's findings are not its description")
    print("connection check: " + check.description.splitlines()[0])
    key("Escape")


main()
