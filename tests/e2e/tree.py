#!/usr/bin/python3
"""Prints the accessible tree of the program's main window (and, with
--dialogs, of each dialog reached from the menus) as a screen reader sees it
over the accessibility bus: role, name, description, and whether the object
takes the keyboard focus.

    usage: tree.py BUILD_BIN_DIR SOURCE_DIR [--dialogs]

It runs the built program on a private Xvfb desktop with its own D-Bus
session, like the end-to-end scenarios, on a scratch copy of the settings."""

import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True

from desk import run_in_private_session  # noqa: E402
HERE = os.path.dirname(os.path.abspath(__file__))


def line_of(acc, depth):
    import a11y
    import pyatspi
    role = acc.getRoleName()
    name = acc.name or ""
    desc = acc.description or ""
    st = a11y.states(acc)
    out = f"{'  ' * depth}[{role}] {name!r}"
    if desc:
        out += f" (description {desc!r})"
    flags = [s for s in ("focusable", "editable", "multi line", "read only") if s in st]
    for rel in acc.getRelationSet():
        if rel.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            out += f" (labelled by {rel.getTarget(0).name!r})"
    if "Text" in acc.get_interfaces() and role in ("text", "paragraph", "entry"):
        t = acc.queryText()
        count = t.characterCount
        head = t.getText(0, min(count, 40))
        out += f" text[{count}]={head!r}" + (" …" if count > 40 else "")
        out += f" caret={t.caretOffset}"
    if flags:
        out += " {" + ", ".join(flags) + "}"
    return out


def dump(root, depth=0, out=None):
    import a11y
    out = [] if out is None else out
    out.append(line_of(root, depth))
    for i in range(root.childCount):
        c = root.getChildAtIndex(i)
        if c is None or not a11y.showing(c):
            continue
        # The menus of the menu bar are listed by their titles only.
        if c.getRoleName() == "popup menu":
            continue
        dump(c, depth + 1, out)
    return out


def inner(work, bin_dir, src_dir, dialogs):
    sys.path.insert(0, HERE)
    import a11y
    from app import Vardolin
    from desk import Desktop, wait_for

    with Desktop(work, window_manager=True) as desk:
        v = Vardolin(desk, bin_dir, src_dir, work)
        with open(v.desktop_folder + "readme.txt", "wb") as f:
            f.write("一行目 first line\r\n二行目\r\n".encode("cp932"))
        try:
            v.start()
            v.wait_listed(["readme.txt"])
            v.click_file("readme.txt")
            v.wait_title("Vardolin - readme.txt")
            print("\n".join(dump(v.main_frame())))
            if dialogs:
                for menu, item, title in (("設定（O）", "拡張子の設定（E）", "拡張子の設定"),
                                          ("設定（O）", "外部起動アプリの登録（X）", "外部起動アプリの登録"),
                                          ("設定（O）", "文字色と背景色の設定（C）", "文字色と背景色の設定")):
                    v.click_menu_item(v.open_menu(menu), item)
                    w = wait_for(lambda: next(iter(a11y.windows(v.app, name=title)), None), title)
                    print()
                    print("\n".join(dump(w)))
                    desk.key("Escape")
                    v.kill()
                    v.start()
                    v.wait_listed(["readme.txt"])
        finally:
            v.kill()
    return 0


def main(argv):
    if len(argv) >= 2 and argv[1] == "--inside":
        return inner(argv[2], argv[3], argv[4], argv[5] == "1")
    if len(argv) < 3:
        print(__doc__)
        return 2
    work = tempfile.mkdtemp(prefix="vardolin-tree-")
    try:
        return run_in_private_session(
            work, __file__, [os.path.abspath(argv[1]), os.path.abspath(argv[2]), "1" if "--dialogs" in argv else "0"])
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
