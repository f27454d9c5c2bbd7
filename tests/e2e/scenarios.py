"""What a user does with the program on a real desktop, and what must come
of it. Each scenario gets a fresh desktop, settings folder and home folder."""

import os
import stat

import pyatspi

import a11y
from app import cp932_lines, unregistered_slots
from desk import Failure, wait_for

FACE = "ＭＳ Ｐゴシック"


def lines_of(data):
    return data.split(b"\r\n")


def describe_change(before, after):
    b, a = lines_of(before), lines_of(after)
    changed = [f"line {i}: {b[i] if i < len(b) else None!r} -> {a[i] if i < len(a) else None!r}"
               for i in range(max(len(a), len(b))) if (b[i] if i < len(b) else None) != (a[i] if i < len(a) else None)]
    return "; ".join(changed)


def write_script(path, body):
    with open(path, "w", encoding="utf-8") as f:
        f.write("#!/bin/sh\n" + body)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


class Recorder:
    """A program to register: each run leaves one file holding its arguments,
    NUL-separated, written aside and then renamed so that a reader never sees
    half of it."""

    def __init__(self, path, runs_dir):
        self.path = path
        self.runs_dir = runs_dir
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.makedirs(runs_dir, exist_ok=True)
        quoted = runs_dir.replace("'", "'\\''")
        write_script(path, f"dir='{quoted}'\nprintf '%s\\0' \"$@\" > \"$dir/.run.$$\" && mv \"$dir/.run.$$\" \"$dir/run.$$\"\n")

    def runs(self):
        out = []
        for name in sorted(os.listdir(self.runs_dir), key=lambda n: os.stat(os.path.join(self.runs_dir, n)).st_mtime_ns):
            if name.startswith("run."):
                with open(os.path.join(self.runs_dir, name), "rb") as f:
                    out.append([a.decode("utf-8", "surrogateescape") for a in f.read().split(b"\0")[:-1]])
        return out

    def wait_runs(self, count, what):
        return wait_for(lambda: len(self.runs()) >= count and self.runs(), what)


# --------------------------------------------------------------------------- window geometry

def geometry_cycles(ctx):
    """Starting and closing without touching anything leaves the main settings
    file exactly as it was, whatever the window manager adds around the
    window and however the window is closed; a resize by the user is kept."""
    v = ctx.vardolin()
    shipped = v.read("appcfgs.cfg")
    if ctx.desk.window_manager:
        closers = [("the menu", v.close_by_menu), ("Alt+F4", v.close_by_window_manager),
                   ("the title bar's close button", v.close_by_title_bar)]
    else:
        closers = [("the menu", v.close_by_menu)] * 3
    for cycle, (how, close) in enumerate(closers, 1):
        v.start()
        v.wait_title("Vardolin")
        close()
        now = v.read("appcfgs.cfg")
        if now != shipped:
            raise Failure(f"start/close cycle {cycle} (closed by {how}) changed appcfgs.cfg: "
                          + describe_change(shipped, now))

    # A size the user gives the window is what the next start gets: the
    # window's outer size, its place unchanged.
    v.start()
    wid = v.main_wid()
    ctx.desk.run("xdotool", "windowsize", str(wid), "700", "520")
    wait_for(lambda: ctx.desk.client_origin(wid)[2:4] == (700, 520)
             and a11y.extents(v.main_frame())[2:4] == (700, 520), "the window to take the new size")
    left, right, top, bottom = ctx.desk.frame_extents(wid) if ctx.desk.window_manager else (0, 0, 0, 0)
    v.close_by_menu()
    written = lines_of(v.read("appcfgs.cfg"))
    expected = lines_of(shipped)[1:3] + [str(700 + left + right).encode(), str(520 + top + bottom).encode()]
    if written[1:5] != expected:
        raise Failure(f"after a resize to 700 x 520 inside a frame of {left}, {right}, {top}, {bottom} "
                      f"lines 1-4 are {written[1:5]!r}, expected {expected!r}")


# --------------------------------------------------------------------------- missing settings

def missing_settings(ctx):
    """A start without appcfgs.cfg reports it once and the close writes a
    complete file that keeps the layout's font face; the next start is quiet."""
    v = ctx.vardolin()
    os.remove(v.settings("appcfgs.cfg"))
    v.start()
    box = wait_for(lambda: len(v.message_boxes()) == 1 and v.message_boxes()[0], "the error box")
    said = v.box_text(box)
    expected = "ﾌｧｲﾙ " + v.settings("appcfgs.cfg") + " は開けません"
    if expected not in said:
        raise Failure(f"the error box says {said!r}, expected it to hold {expected!r}")
    wid = wait_for(lambda: len(ctx.desk.windows("^Vardolin$")) == 1 and ctx.desk.windows("^Vardolin$")[0],
                   "the error box on the screen")
    ctx.desk.focus(wid)
    ctx.desk.key("Return")

    # The main window comes up only after the start-up steps, so a second box
    # would show before it does.
    def settled():
        boxes = v.message_boxes()
        if boxes:
            if boxes[0].name == box.name and a11y.showing(box):
                return None
            raise Failure(f"a second message box after the first: {v.box_text(boxes[0])!r}")
        return v.main_frame()
    wait_for(settled, "the main window after the error box")
    v.main_wid()
    if v.message_boxes():
        raise Failure("a second message box after the first")
    v.close_by_menu()

    written = lines_of(v.read("appcfgs.cfg"))
    if len(written) != 14 or written[-1] != b"":
        raise Failure(f"appcfgs.cfg written at close has {len(written) - 1} lines, expected 13 ending in CR LF")
    if written[0] != b"Vardolin Ver 1.05":
        raise Failure(f"header line is {written[0]!r}")
    if written[6] != FACE.encode("cp932"):
        raise Failure(f"font face line 6 is {written[6]!r}, expected {FACE!r} in CP932")

    # The file written is read normally: no box, the start folder is listed,
    # and the face goes round once more. (Whether the window's bounds go round
    # unchanged is the geometry scenarios' business.)
    v.start()
    v.wait_title("Vardolin")
    if v.message_boxes():
        raise Failure(f"a message box at the second start: {v.box_text(v.message_boxes()[0])!r}")
    v.close_by_menu()
    again = lines_of(v.read("appcfgs.cfg"))
    if again[6] != FACE.encode("cp932") or again[7] != written[7]:
        raise Failure(f"the second start/close wrote face and size {again[6]!r} {again[7]!r}, "
                      f"expected {FACE!r} {written[7]!r}")


# --------------------------------------------------------------------------- a slot without a program

def empty_slot(ctx):
    """A slot with a title but no program starts nothing from any entry
    point, even when the shown file is itself executable. Each attempt is
    followed by a launch of a registered slot, and only once that has run is
    the absence of the other run checked."""
    v = ctx.vardolin()
    work = ctx.workdir
    recorder = Recorder(os.path.join(work, "tools", "record.sh"), os.path.join(work, "runs"))
    marker = os.path.join(work, "data-ran")
    shown = os.path.join(v.desktop_folder, "danger.txt")
    write_script(shown, f": > '{marker}'\n")
    target = os.path.join(work, "target", "test-target.txt")
    os.makedirs(os.path.dirname(target))
    write_script(target, f": > '{marker}.test'\n")
    v.write("appitems.cfg", cp932_lines("空き", "", "", "記録", recorder.path, "", *unregistered_slots(3)))

    v.start()
    v.wait_listed(["danger.txt"])
    v.click_file("danger.txt")
    v.wait_title("Vardolin - danger.txt")

    launches = 0
    ran_data = []

    # Every entry point is tried even when an earlier one ran the file, so
    # that the report names all of them.
    def then_nothing_ran(entry):
        nonlocal launches
        v.click(v.tool_button("記録"))
        launches += 1
        recorder.wait_runs(launches, f"the registered slot's program to run after {entry}")
        for m in (marker, marker + ".test"):
            if os.path.exists(m):
                ran_data.append(f"{entry} ran {os.path.basename(m)}")
                os.remove(m)

    v.click(v.tool_button("空き"))
    then_nothing_ran("tool button 1")

    sub = v.open_submenu(v.open_menu("操作（C）"), "登録アプリ（A）")
    v.click_menu_item(sub, "空き")
    then_nothing_ran("the main menu's slot 1 item")

    v.click_file("danger.txt", button=3)
    popup = wait_for(lambda: a11y.shown_popup("空き"), "the file list's pop-up menu")
    v.click_menu_item(popup, "空き")
    then_nothing_ran("the file list's pop-up slot 1 item")

    # The test-run dialog, on row 1 of the registration dialog.
    v.click_menu_item(v.open_menu("設定（O）"), "外部起動アプリの登録（X）")
    reg = wait_for(lambda: next(iter(a11y.windows(v.app, name="外部起動アプリの登録")), None),
                   "the registration dialog")
    combo = a11y.wait_find(reg, "the row selector", role="combo box")
    width = a11y.extents(combo)[2]
    cx, cy = v.point(combo)
    ctx.desk.click(cx + width // 2 - 6, cy)   # the drop-down arrow
    row1 = wait_for(lambda: a11y.find(combo, "row 1", role="list item", name="1"), "the row list to open")
    v.click(row1)
    wait_for(lambda: any(a11y.text(t) == "空き" for t in a11y.find_all(reg, role="text")), "row 1 to be shown")
    v.click(a11y.wait_find(reg, "動作テスト", role="push button", name="動作テスト"))
    form5 = wait_for(lambda: next(iter(a11y.windows(v.app, name="Form5")), None), "the test-run dialog")
    field = a11y.wait_find(form5, "the target field", role="text")
    v.click(field)
    ctx.desk.key("ctrl+a")
    ctx.desk.type(target)
    wait_for(lambda: a11y.text(field) == target, "the target path in the test-run dialog")
    v.click(a11y.wait_find(form5, "テスト実行", role="push button", name="テスト実行"))
    v.click(a11y.wait_find(form5, "終了", role="push button", name="終了"))
    wait_for(lambda: not a11y.windows(v.app, name="Form5"), "the test-run dialog to close")
    v.click(a11y.wait_find(reg, "キャンセル", role="push button", name="キャンセル"))
    wait_for(lambda: not a11y.windows(v.app, name="外部起動アプリの登録"), "the registration dialog to close")
    then_nothing_ran("the test-run dialog's テスト実行")

    v.close_by_menu()
    if ran_data:
        raise Failure("a slot with an empty program path started a data file: " + "; ".join(ran_data))
    for args in recorder.runs():
        if args != [shown]:
            raise Failure(f"the registered program got {args!r}, expected [{shown!r}]")


# --------------------------------------------------------------------------- folder picker

def picker_cancel(ctx):
    """Opening the folder picker on the start folder and cancelling it leaves
    the folder field and the file list as they were, by the button and, on
    a second opening, by Escape."""
    v = ctx.vardolin()
    files = ["a.txt", "b.txt"]
    for name in files:
        with open(v.desktop_folder + name, "wb") as f:
            f.write(b"text\r\n")

    v.start()
    v.wait_listed(files)
    v.wait_title("Vardolin")
    if v.path_text() != v.desktop_folder:
        raise Failure(f"the folder field holds {v.path_text()!r} at start, expected {v.desktop_folder!r}")

    for how in ("キャンセル", "Escape"):
        v.click(v.tool_button("フォルダのパスを選択するダイアログボックスを開きます。"))
        picker = wait_for(lambda: next(iter(a11y.windows(v.app, name="フォルダの参照")), None), "the folder picker")
        if how == "Escape":
            ctx.desk.key("Escape")
        else:
            v.click(a11y.wait_find(picker, how, role="push button", name=how))
        wait_for(lambda: not a11y.windows(v.app, name="フォルダの参照"), "the folder picker to close")
        field, listed = v.path_text(), v.listed()
        if field != v.desktop_folder or listed != files:
            raise Failure(f"after opening the picker and cancelling it ({how}) the folder field holds {field!r} "
                          f"and the list {listed!r}; expected {v.desktop_folder!r} and {files!r}")
    v.close_by_menu()


# --------------------------------------------------------------------------- launching on the shown file

def launch_args(ctx):
    """A registered program gets the shown file as one argument, from a folder
    and under a name with blanks and Japanese characters, from the tool
    button and both menus; the option follows it."""
    home = os.path.join(ctx.workdir, "利用者 ホーム")
    v = ctx.vardolin(home=home)
    recorder = Recorder(os.path.join(ctx.workdir, "道具 箱", "記録 する.sh"), os.path.join(ctx.workdir, "runs"))
    name = "メモ 帳.txt"
    shown = v.desktop_folder + name
    with open(shown, "wb") as f:
        f.write("メモ\r\n".encode("cp932"))
    v.write("appitems.cfg", cp932_lines("記録", recorder.path, "--opt", *unregistered_slots(4)))

    v.start()
    v.wait_listed([name])
    v.click_file(name)
    v.wait_title("Vardolin - " + name)
    expected = [shown, "--opt"]

    def check(count, entry):
        runs = recorder.wait_runs(count, f"the registered program to start from {entry}")
        if runs[-1] != expected:
            raise Failure(f"from {entry} the program got {runs[-1]!r}, expected {expected!r}")

    v.click(v.tool_button("記録"))
    check(1, "the tool button")
    sub = v.open_submenu(v.open_menu("操作（C）"), "登録アプリ（A）")
    v.click_menu_item(sub, "記録")
    check(2, "the main menu")
    v.click_file(name, button=3)
    popup = wait_for(lambda: a11y.shown_popup("記録"), "the file list's pop-up menu")
    v.click_menu_item(popup, "記録")
    check(3, "the file list's pop-up menu")
    v.close_by_menu()


# --------------------------------------------------------------------------- a session on a bare X server

def typed_folder_session(ctx):
    """Type a folder, show a file, start the registered program on it, save
    the extension table from its dialog and close from the menu, on an X
    server without a window manager: the settings files come out unchanged."""
    v = ctx.vardolin()
    work = ctx.workdir
    docs = os.path.join(work, "docs") + "/"
    os.makedirs(docs)
    with open(docs + "a first.txt", "wb") as f:
        f.write(b"first\r\nsecond line\r\n")
    with open(docs + "b.txt", "wb") as f:
        f.write(b"other\r\n")
    with open(docs + "c.bin", "wb") as f:
        f.write(b"skip")
    recorder = Recorder(os.path.join(work, "tools dir", "record.sh"), os.path.join(work, "runs"))
    v.write("appcfgs.cfg", cp932_lines("Vardolin Ver 1.05", "0", "0", "800", "600", "1", FACE, "10", "0",
                                       "16777215", "0", "1", "200"))
    v.write("appitems.cfg", cp932_lines("記録", recorder.path, "--opt", *unregistered_slots(4)))
    settings_before = v.read("appcfgs.cfg")
    table_before = v.read("exitem.cfg")

    v.start()
    v.main_wid()
    v.click(v.path_field())
    ctx.desk.key("ctrl+a")
    ctx.desk.type(docs)
    ctx.desk.key("Return")
    v.wait_listed(["a first.txt", "b.txt"])
    v.click_file("a first.txt")
    v.wait_title("Vardolin - a first.txt")

    v.click(v.tool_button("記録"))
    runs = recorder.wait_runs(1, "the registered program to start")
    if runs[0] != [docs + "a first.txt", "--opt"]:
        raise Failure(f"the registered program got {runs[0]!r}")

    v.click_menu_item(v.open_menu("設定（O）"), "拡張子の設定（E）")
    dialog = wait_for(lambda: next(iter(a11y.windows(v.app, name="拡張子の設定")), None), "the extension dialog")
    os.remove(v.settings("exitem.cfg"))
    v.click(a11y.wait_find(dialog, "設定の保存", role="push button", name="設定の保存"))
    wait_for(lambda: os.path.exists(v.settings("exitem.cfg")), "設定の保存 to write exitem.cfg")
    v.click(a11y.wait_find(dialog, "閉じる", role="push button", name="閉じる"))
    wait_for(lambda: not a11y.windows(v.app, name="拡張子の設定"), "the extension dialog to close")

    v.close_by_menu()
    if v.read("appcfgs.cfg") != settings_before:
        raise Failure("appcfgs.cfg changed: " + describe_change(settings_before, v.read("appcfgs.cfg")))
    if v.read("exitem.cfg") != table_before:
        raise Failure("exitem.cfg saved unchanged differs: " + describe_change(table_before, v.read("exitem.cfg")))


# --------------------------------------------------------------------------- the pane over the bus

def pane_over_bus(ctx):
    """A screen reader reads the shown file from the text pane over the
    accessibility bus: its name, its first line and where the caret is, and
    the caret follows the keys."""
    v = ctx.vardolin()
    first, second = "一行目のテキスト", "二行目 second"
    with open(v.desktop_folder + "memo.txt", "wb") as f:
        f.write((first + "\r\n" + second + "\r\n").encode("cp932"))

    v.start()
    pane = v.show_only_file("memo.txt")
    frame = v.main_frame()
    text = pane.queryText()

    def line_at(offset):
        """(text, start, end) of the line at an offset."""
        return tuple(text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START))

    wait_for(lambda: text.characterCount == len(first) + len(second) + 2, "the file's text in the pane")
    got = line_at(0)
    if got != (first + "\n", 0, len(first) + 1):
        raise Failure(f"the pane's first line reads {got!r}, expected {(first + chr(10), 0, len(first) + 1)!r}")
    if text.caretOffset != 0:
        raise Failure(f"the caret is at {text.caretOffset} after loading, expected 0")

    # Into the pane by keyboard, one line down: the caret is told where it is.
    v.click(pane)
    ctx.desk.key("ctrl+Home")
    ctx.desk.key("Down")
    wait_for(lambda: text.caretOffset == len(first) + 1, "the caret at the start of the second line")
    got = line_at(text.caretOffset)[0]
    if got != second + "\n":
        raise Failure(f"the line at the caret reads {got!r}, expected {second!r}")
    v.close_by_menu()


# --------------------------------------------------------------------------- a file that changes while shown

def changed_file(ctx):
    """The shown file changes under the pane, as a log does: appended to, the
    text stays and a strip offers the reload, which brings the new line;
    rewritten shorter in place, the pane reloads on its own and shows exactly
    the new text, never the old one padded. Both times the strip says so, and
    a screen reader reads it."""
    v = ctx.vardolin()
    path = v.desktop_folder + "log.txt"
    first = "一行目のログ\r\n二行目のログ\r\n"
    with open(path, "wb") as f:
        f.write(first.encode("cp932"))

    v.start()
    pane = v.show_only_file("log.txt")
    frame = v.main_frame()
    text = pane.queryText()
    shown = lambda: text.getText(0, -1)
    wait_for(lambda: shown() == "一行目のログ\n二行目のログ\n", "the file's text in the pane")

    with open(path, "ab") as f:
        f.write("三行目\r\n".encode("cp932"))
    reload = a11y.wait_find(frame, "the reload offered", role="push button", name="再読み込み")
    a11y.wait_find(frame, "the notice", role="alert", name="ファイルが変更されました。")
    if shown() != "一行目のログ\n二行目のログ\n":
        raise Failure(f"after an append the pane shows {shown()!r} before any reload")
    if os.environ.get("VARDOLIN_E2E_SHOTS"):
        ctx.desk.screenshot(os.path.join(os.environ["VARDOLIN_E2E_SHOTS"], "changed-appended.png"))
    v.click(reload)
    wait_for(lambda: shown() == "一行目のログ\n二行目のログ\n三行目\n", "the reload to bring the new line")

    with open(path, "r+b") as f:   # in place, as copy-and-truncate rotation leaves it
        f.truncate(0)
        f.write("新\r\n".encode("cp932"))
    wait_for(lambda: shown() == "新\n", "the pane to reload the rewritten file on its own")
    a11y.wait_find(frame, "the notice", role="alert", name="ファイルが変更されました。")
    if os.environ.get("VARDOLIN_E2E_SHOTS"):
        ctx.desk.screenshot(os.path.join(os.environ["VARDOLIN_E2E_SHOTS"], "changed-rewritten.png"))
    v.close_by_menu()


# --------------------------------------------------------------------------- a long search cancelled

STRIP_HINT = "Esc キーで中止"


def long_find_escape(ctx):
    """A search through a file far too big to search at once shows its
    progress along the bottom of the pane, and Escape pressed in the find
    dialog, a window of its own under the window manager, cancels it: no
    message box, the dialog stays open, the window keeps working."""
    v = ctx.vardolin()
    with open(v.desktop_folder + "huge.txt", "wb") as f:
        f.write(("長いファイルの行です。\r\n" * 2000).encode("cp932"))
        f.truncate(64 << 30)   # sparse: no room taken, more than any search gets through in the test

    v.start()
    v.wait_listed(["huge.txt"])
    v.click_file("huge.txt")
    v.wait_title("Vardolin - huge.txt")
    text_menu = v.open_submenu(v.open_menu("操作（C）"), "テキスト（T）")
    v.click_menu_item(text_menu, "検索（S）")
    dialog = wait_for(lambda: next(iter(a11y.windows(v.app, name="検索")), None), "the find dialog")
    v.click(a11y.wait_find(dialog, "the search field", role="text"))
    ctx.desk.type("NEEDLE")
    v.click(a11y.wait_find(dialog, "次を検索", role="push button", name="次を検索"))

    frame = v.main_frame()
    a11y.wait_find(frame, "the progress strip of the search", role="label", name=STRIP_HINT)
    ctx.desk.key("Escape")
    wait_for(lambda: not a11y.find_all(v.main_frame(), role="label", name=STRIP_HINT), "Escape to end the search")
    if v.message_boxes():
        raise Failure("a cancelled search said: " + v.box_text(v.message_boxes()[0]))
    if not a11y.windows(v.app, name="検索"):
        raise Failure("Escape closed the find dialog instead of cancelling the search")
    v.close_by_menu()


# --------------------------------------------------------------------------- one line per field

LEFTOVERS = [".appcfgs.cfg.vardolin-tmp-Ab12Cd", ".exitem.cfg.vardolin-tmp-zz99ZZ", ".IconImg3.bmp.vardolin-tmp-000aaa"]
LOOKALIKES = ["appcfgs.cfg.bak", "appcfgs.cfg.Ab12Cd", "exitem.cfg.MYCOPY"]


def paste_one_line(ctx):
    """Text pasted with a line break into a one-line field keeps its first
    line: a title pasted as "Title2" CR LF "/path/rec.sh" leaves appitems.cfg
    at 15 lines with slot 2 titled "Title2" (the other fields are the same
    control). Temporary files of killed saves are gone after the start; other
    files beside them stay."""
    v = ctx.vardolin()
    for name in LEFTOVERS + LOOKALIKES:
        v.write(name, b"x")
    v.start()
    v.main_wid()
    left = [n for n in LEFTOVERS if os.path.exists(v.settings(n))]
    went = [n for n in LOOKALIKES if not os.path.exists(v.settings(n))]
    if left or went:
        raise Failure(f"after the start the leftovers {left} are still there, or the user's {went} went")

    ctx.desk.set_clipboard("Title2\r\n/path/rec.sh")
    v.click_menu_item(v.open_menu("設定（O）"), "外部起動アプリの登録（X）")
    reg = wait_for(lambda: next(iter(a11y.windows(v.app, name="外部起動アプリの登録")), None),
                   "the registration dialog")
    combo = a11y.wait_find(reg, "the row selector", role="combo box")
    cx, cy = v.point(combo)
    ctx.desk.click(cx + a11y.extents(combo)[2] // 2 - 6, cy)   # the drop-down arrow
    v.click(wait_for(lambda: a11y.find(combo, "row 2", role="list item", name="2"), "the row list to open"))
    title = a11y.wait_find(reg, "the title field", role="text", name="Title:")
    v.click(title)
    ctx.desk.key("ctrl+a")
    ctx.desk.key("ctrl+v")
    wait_for(lambda: a11y.text(title) != "", "the paste into the title field")
    if a11y.text(title) != "Title2":
        raise Failure(f"the title field holds {a11y.text(title)!r} after the paste, expected 'Title2'")
    before = v.read("appitems.cfg")
    v.click(a11y.wait_find(reg, "仮登録", role="push button", name="仮登録"))
    v.click(a11y.wait_find(reg, "設定の保存", role="push button", name="設定の保存"))
    written = wait_for(lambda: v.read("appitems.cfg") != before and v.read("appitems.cfg"), "設定の保存 to write")
    lines = lines_of(written)
    if len(lines) != 16 or lines[3] != b"Title2":
        raise Failure(f"appitems.cfg has {len(lines) - 1} lines with slot 2's title {lines[3] if len(lines) > 3 else None!r}; "
                      "expected 15 lines and 'Title2'")
    v.click(a11y.wait_find(reg, "キャンセル", role="push button", name="キャンセル"))
    wait_for(lambda: not a11y.windows(v.app, name="外部起動アプリの登録"), "the registration dialog to close")

    v.close_by_menu()


# name: (window manager?, scenario)
SCENARIOS = {
    "geometry_openbox": (True, geometry_cycles),
    "geometry_bare": (False, geometry_cycles),
    "missing_settings": (True, missing_settings),
    "empty_slot": (True, empty_slot),
    "picker_cancel": (True, picker_cancel),
    "launch_args": (True, launch_args),
    "typed_folder": (False, typed_folder_session),
    "pane_over_bus": (True, pane_over_bus),
    "long_find_escape": (True, long_find_escape),
    "paste_one_line": (True, paste_one_line),
    "changed_file": (True, changed_file),
}
