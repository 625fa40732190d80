"""Prints the menus of the application with process id argv[1], as the
accessibility bus shows them: one JSON object per menu bar, menu and menu
item, with its name, role, whether it is enabled and showing, and its
extents on the screen; with "labels" as argv[2], its labels instead (a
label's name is its text). Run with the application's display and session
bus."""

import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

MENU_ROLES = {Atspi.Role.MENU_BAR, Atspi.Role.MENU, Atspi.Role.MENU_ITEM, Atspi.Role.SEPARATOR}
LABEL_ROLES = {Atspi.Role.LABEL}


def walk(node, depth, out, roles):
    if depth > 40:
        return
    try:
        role = node.get_role()
    except Exception:  # a widget that went away meanwhile
        return
    if role in roles:
        states = node.get_state_set()
        extents = node.get_extents(Atspi.CoordType.SCREEN)
        out.append({
            "name": node.get_name(),
            "role": node.get_role_name(),
            "enabled": states.contains(Atspi.StateType.SENSITIVE),
            "showing": states.contains(Atspi.StateType.SHOWING),
            "extents": [extents.x, extents.y, extents.width, extents.height],
        })
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            walk(child, depth + 1, out, roles)


def main():
    pid = int(sys.argv[1])
    roles = LABEL_ROLES if sys.argv[2:] == ["labels"] else MENU_ROLES
    desktop = Atspi.get_desktop(0)
    out = []
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_process_id() == pid:
            walk(app, 0, out, roles)
    print(json.dumps(out))


if __name__ == "__main__":
    main()
