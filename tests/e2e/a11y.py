"""Reading the program's windows over the accessibility bus. Only reading:
every action of a scenario is a real key or mouse event (desk.py); this
module tells where to click and what a control holds now."""

import os
import re

import pyatspi
from gi.repository import GLib

from desk import POLL_HOOKS, wait_for

# Roles of the windows of a program; the menus and drop-down lists that Qt
# places itself are told apart because their coordinates need no correcting.
WINDOW_ROLES = ("frame", "dialog", "alert", "window", "file chooser")
POPUP_ROLES = ("popup menu", "combo box")


# Pop-up menus that are not menus of the menu bar (a list's context menu) are
# top-level windows the program does not list among its children; they are
# known by the event they send when they show.
_popups = []


def _on_showing(event):
    try:
        if event.detail1 == 1 and event.source.getRoleName() == "popup menu":
            _popups.append(event.source)
    except Exception:  # the object is already gone
        pass


def _pump():
    context = GLib.MainContext.default()
    while context.iteration(False):
        pass


# Registered before the program starts, so that it knows from the start that
# someone listens for these events.
pyatspi.Registry.registerEventListener(_on_showing, "object:state-changed:showing")
POLL_HOOKS.append(_pump)


def shown_popups():
    return list(_popups)


def shown_popup(item_name):
    """The showing pop-up menu that has a menu item of this name."""
    for popup in reversed(_popups):
        try:
            if showing(popup) and find(popup, item_name, role="menu item", name=item_name):
                return popup
        except Exception:
            continue
    return None


def application(pid):
    """The program's root object on the bus, once it has registered there."""
    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == pid:
                return app
        return None
    return wait_for(look, f"process {pid} on the accessibility bus")


def fresh(acc):
    acc.clearCache()
    return acc


def states(acc):
    return {pyatspi.stateToString(s) for s in acc.getState().getStates()}


def showing(acc):
    try:
        return acc is not None and "showing" in states(acc)
    except Exception:  # gone from the bus
        return False


def descendants(root, only_showing=False):
    """Every object below root; with only_showing, what is hidden is not
    looked into (each step is a call to the program, which answers on its
    user-interface thread, so the walk is kept short)."""
    out = []

    def walk(acc):
        for i in range(acc.childCount):
            c = acc.getChildAtIndex(i)
            if c is None or (only_showing and not showing(c)):
                continue
            out.append(c)
            walk(c)
    walk(root)
    return out


def find_all(root, role=None, name=None, description=None, visible=True):
    found = []
    for acc in descendants(fresh(root), only_showing=visible):
        if role is not None and acc.getRoleName() != role:
            continue
        if name is not None and acc.name != name:
            continue
        if description is not None and acc.description != description:
            continue
        if visible and not showing(acc):
            continue
        found.append(acc)
    return found


def find(root, what, **kw):
    """Exactly one visible match now, else None."""
    found = find_all(root, **kw)
    return found[0] if len(found) == 1 else None


def wait_find(root, what, **kw):
    return wait_for(lambda: find(root, what, **kw), what)


def windows(app, role=None, name=None):
    """The program's visible top-level windows."""
    fresh(app)
    out = []
    for i in range(app.childCount):
        w = app.getChildAtIndex(i)
        if w is None or w.getRoleName() not in WINDOW_ROLES or not showing(w):
            continue
        if role is not None and w.getRoleName() != role:
            continue
        if name is not None and w.name != name:
            continue
        out.append(w)
    return out


def text(acc):
    t = acc.queryText()
    return t.getText(0, t.characterCount)


# The toolkit reports places in its own scaled pixels when the program runs
# with a scale factor (screenshots at other scales); the X server counts device
# pixels.
SCALE = float(os.environ.get("QT_SCALE_FACTOR", "1") or "1")


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (round(e.x * SCALE), round(e.y * SCALE), round(e.width * SCALE), round(e.height * SCALE))


def ancestors(acc):
    out = []
    p = acc.parent
    while p is not None and p.getRoleName() != "application":
        out.append(p)
        p = p.parent
    return out


def item_names(list_acc):
    fresh(list_acc)
    return [list_acc.getChildAtIndex(i).name for i in range(list_acc.childCount)]


def screen_point(acc, desk):
    """The middle of a control in true screen coordinates, or None while its
    window is not on the screen. A framed window's
    idea of its own position can lag behind the window manager's, so the
    control's place inside its window is added to where the X server says the
    window is. Pop-ups are placed by the program itself and need no help."""
    x, y, w, h = extents(acc)
    chain = ancestors(acc)
    if w <= 0 or h <= 0:
        return None
    if any(a.getRoleName() in POPUP_ROLES for a in chain) or not chain:
        return x + w // 2, y + h // 2
    top = chain[-1]
    tx, ty, tw, th = extents(top)
    candidates = []
    for wid in desk.windows("^" + re.escape(top.name) + "$"):
        ox, oy, ow, oh, state = desk.client_origin(wid)
        if abs(ow - tw) <= 1 and abs(oh - th) <= 1 and state == "IsViewable":
            candidates.append((ox, oy))
    if len(candidates) != 1:
        return None   # not (or not yet) one window on the screen
    ox, oy = candidates[0]
    return ox + (x - tx) + w // 2, oy + (y - ty) + h // 2
