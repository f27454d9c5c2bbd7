"""The built program in a scratch folder of its own: its settings files are a
copy, its home folder is a temporary one, and it is driven and read like a
user would (keys, clicks, window titles) with the accessibility bus telling
where the controls are and what they show."""

import glob
import os
import re
import shutil
import subprocess

import a11y
from desk import Failure, wait_for

MAIN_TITLE = re.compile(r"^(Vardolin)?( - .*)?$")


def cp932_lines(*lines):
    """A settings file as the program writes it: CP932, CR LF after each line."""
    return b"".join(line.encode("cp932") + b"\r\n" for line in lines)


def unregistered_slots(count):
    return ["（未登録）", "", ""] * count


class Vardolin:
    def __init__(self, desk, bin_dir, src_dir, workdir, home=None):
        self.desk = desk
        self.workdir = workdir
        self.appdir = os.path.join(workdir, "app")
        self.home = home or os.path.join(workdir, "home")
        self.desktop_folder = os.path.join(self.home, "ﾃﾞｽｸﾄｯﾌﾟ") + "/"
        os.makedirs(self.appdir, exist_ok=True)
        os.makedirs(self.desktop_folder, exist_ok=True)
        shutil.copy2(os.path.join(bin_dir, "vardolin"), self.appdir)
        data = os.path.join(src_dir, "data")
        for pattern in ("*.cfg", "*.bmp", "*.txt"):
            for f in glob.glob(os.path.join(data, pattern)):
                shutil.copy2(f, self.appdir)
        self.proc = None
        self.app = None
        self._main_wid = None
        self.runs = 0

    # ------------------------------------------------------------- files

    def settings(self, name):
        return os.path.join(self.appdir, name)

    def read(self, name):
        with open(self.settings(name), "rb") as f:
            return f.read()

    def write(self, name, data):
        with open(self.settings(name), "wb") as f:
            f.write(data)

    # ------------------------------------------------------------- life

    def start(self):
        env = dict(os.environ)
        env.update({
            "HOME": self.home,
            "QT_QPA_PLATFORM": "xcb",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
            "LC_ALL": "C.UTF-8",
        })
        self.runs += 1
        self._main_wid = None
        log = open(os.path.join(self.workdir, f"vardolin-{self.runs}.log"), "wb")
        # The program is started in the work folder, never in its own folder,
        # so that it finds its settings by its own location.
        self.proc = subprocess.Popen([os.path.join(self.appdir, "vardolin")], cwd=self.workdir, env=env,
                                     stdout=log, stderr=subprocess.STDOUT)
        self.app = a11y.application(self.proc.pid)
        return self

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self):
        wait_for(lambda: not self.alive(), "the program to end")
        if self.proc.returncode != 0:
            raise Failure(f"the program ended with status {self.proc.returncode} (see vardolin-{self.runs}.log)")

    def kill(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()

    # ------------------------------------------------------------- main window

    def main_frame(self):
        frames = [w for w in a11y.windows(self.app, role="frame") if MAIN_TITLE.match(w.name)]
        return frames[0] if len(frames) == 1 else None

    def main_wid(self):
        """The X window of the main window, once it is on the screen (and
        framed, under a window manager). The program keeps that window for
        its whole run."""
        if self._main_wid is not None:
            return self._main_wid

        def look():
            frame = self.main_frame()
            if frame is None:
                return None
            x, y, w, h = a11y.extents(frame)
            for wid in self.desk.windows(r"^(Vardolin)?( - .*)?$"):
                try:
                    ox, oy, ow, oh, state = self.desk.client_origin(wid)
                except Failure:
                    # A message box of the same title that closed between
                    # the search and this query.
                    continue
                # Settled: the program's idea of where its window is agrees
                # with the X server's.
                if max(abs(a - b) for a, b in zip((ox, oy, ow, oh), (x, y, w, h))) > 1 or state != "IsViewable":
                    continue
                if self.desk.window_manager and not self.desk.framed(wid):
                    continue
                return wid
            return None
        self._main_wid = wait_for(look, "the main window on the screen")
        return self._main_wid

    def wait_title(self, title):
        wid = self.main_wid()
        wait_for(lambda: self.desk.title(wid) == title, f"the window title '{title}'")

    def path_field(self):
        """The folder field: the topmost visible one-line text of the main window."""
        frame = wait_for(self.main_frame, "the main window")
        texts = [t for t in a11y.find_all(frame, role="text") if a11y.extents(t)[3] > 0]
        if not texts:
            raise Failure("the main window shows no text field")
        return min(texts, key=lambda t: a11y.extents(t)[1])

    def path_text(self):
        return a11y.text(self.path_field())

    def file_list(self):
        frame = wait_for(self.main_frame, "the main window")
        lists = [l for l in a11y.find_all(frame, role="list") if l.parent.getRoleName() == "split pane"]
        if len(lists) != 1:
            raise Failure("cannot find the file list")
        return lists[0]

    def listed(self):
        return a11y.item_names(self.file_list())

    def wait_listed(self, names):
        wait_for(lambda: self.listed() == names, f"the file list to show {names}")

    def point(self, acc):
        return wait_for(lambda: a11y.screen_point(acc, self.desk), f"the place of {acc.getRoleName()} '{acc.name}'")

    def click(self, acc, button=1):
        x, y = self.point(acc)
        self.desk.click(x, y, button)

    def click_file(self, name, button=1):
        item = wait_for(lambda: a11y.find(self.file_list(), name, role="list item", name=name),
                        f"'{name}' in the file list")
        self.click(item, button)

    def show_only_file(self, name):
        """Picks the one file listed and returns the text pane as the
        accessibility bus shows it, once the file is shown."""
        self.wait_listed([name])
        self.click_file(name)
        self.wait_title(f"Vardolin - {name}")
        frame = wait_for(self.main_frame, "the main window")
        return a11y.wait_find(frame, "the text pane", role="text", name="ファイルの内容")

    def tool_button(self, hint):
        frame = wait_for(self.main_frame, "the main window")
        return a11y.wait_find(frame, f"the tool button '{hint}'", role="push button", description=hint)

    def open_menu(self, menu_name):
        """Opens a menu of the menu bar with a click on its title."""
        frame = wait_for(self.main_frame, "the main window")
        bar = a11y.wait_find(frame, "the menu bar", role="menu bar")
        self.click(a11y.wait_find(bar, f"the menu '{menu_name}'", role="menu item", name=menu_name))
        return wait_for(lambda: self.showing_menu(self.main_frame(), menu_name), f"the menu '{menu_name}' to open")

    @staticmethod
    def showing_menu(frame, item_name):
        """The open pop-up menu under the menu item of this name."""
        for item in a11y.find_all(frame, role="menu item", name=item_name):
            for i in range(item.childCount):
                popup = item.getChildAtIndex(i)
                if popup is not None and popup.getRoleName() == "popup menu" and a11y.showing(popup):
                    return popup
        return None

    def _pointer_on_menu_item(self, popup, name):
        """Moves the pointer onto an item of an open menu, once the menu's own
        window is the one under the pointer (the program may know of the menu
        a moment before the X server shows it). Returns the item and where it is."""
        item = wait_for(lambda: a11y.find(popup, name, role="menu item", name=name),
                        f"the menu item '{name}'")
        x, y = self.point(item)
        main = self.main_wid()
        wait_for(lambda: self.desk.window_under_pointer_after_move(x, y) not in (None, main),
                 f"the menu holding '{name}' on the screen")
        return item, x, y

    def click_menu_item(self, popup, name):
        """Chooses an item of an open menu and waits for the menu to close.
        A disabled item cannot be chosen: the menus are closed with Escape
        and False is returned."""
        item, x, y = self._pointer_on_menu_item(popup, name)
        if "enabled" not in a11y.states(item):
            self.close_menus()
            return False
        self.desk.click_here()
        wait_for(lambda: not a11y.showing(popup), f"the menu to close after '{name}'")
        return True

    def open_menus(self):
        frame = self.main_frame()
        bar = [m for m in a11y.find_all(frame, role="popup menu")] if frame is not None else []
        return bar + [p for p in a11y.shown_popups() if a11y.showing(p)]

    def close_menus(self):
        """Escape, one menu level at a time, until no menu is open."""
        while True:
            menus = self.open_menus()
            if not menus:
                return
            self.desk.key("Escape")
            wait_for(lambda: len(self.open_menus()) < len(menus), "Escape to close a menu")

    def open_submenu(self, popup, name):
        self._pointer_on_menu_item(popup, name)
        self.desk.click_here()
        return wait_for(lambda: self.showing_menu(self.main_frame(), name), f"the menu '{name}' to open")

    def close_by_menu(self):
        """操作 > 終了."""
        menu = self.open_menu("操作（C）")
        self.click_menu_item(menu, "終了（X）")
        self.wait_exit()

    def close_by_window_manager(self):
        self.desk.focus(self.main_wid())
        self.desk.key("alt+F4")
        self.wait_exit()

    def close_by_title_bar(self):
        """A click on the frame's close button, the rightmost of the title bar."""
        wid = self.main_wid()
        ox, oy, ow, _, _ = self.desk.client_origin(wid)
        left, right, top, _ = self.desk.frame_extents(wid)
        self.desk.click(ox + ow + right - top // 2 - 1, oy - top // 2)
        self.wait_exit()

    # ------------------------------------------------------------- message boxes

    def message_boxes(self):
        return a11y.windows(self.app, role="alert") + [
            d for d in a11y.windows(self.app, role="dialog") if d.name in ("Vardolin", "警告")]

    @staticmethod
    def box_text(box):
        return "\n".join(l.name for l in a11y.find_all(box, role="label"))
