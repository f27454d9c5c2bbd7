"""A private X desktop for one test run: Xvfb on a display it picks itself,
optionally openbox, and the X-side queries and real input events (xdotool)
that the scenarios use. Every wait polls a condition; nothing sleeps for a
fixed time to let something happen."""

import glob
import os
import shutil
import subprocess
import time

# Each wait may take this long before it counts as a failure: generous, so
# that a busy machine or a sanitizer build does not fail a working program.
TIMEOUT = float(30)


class Failure(Exception):
    """A check of a scenario that did not hold."""


# Called at every poll of a wait: lets the accessibility events that have
# arrived be handled while the scenario waits.
POLL_HOOKS = []


def run_in_private_session(work, script, args):
    """Runs `script --inside WORK ARGS...` in its own D-Bus session, with its own
    XDG_RUNTIME_DIR and HOME below WORK and no display or bus of the caller's."""
    import sys
    runtime = os.path.join(work, "runtime")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ)
    env["XDG_RUNTIME_DIR"] = runtime
    env["HOME"] = os.path.join(work, "session-home")
    os.mkdir(env["HOME"])
    for var in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(var, None)
    if not shutil.which("dbus-run-session"):
        print("FAIL: dbus-run-session is not installed (scripts/deps.sh installs it)")
        return 1
    cmd = ["dbus-run-session", "--", sys.executable, os.path.abspath(script), "--inside", work] + list(args)
    return subprocess.run(cmd, env=env).returncode


def wait_for(condition, what, timeout=TIMEOUT):
    """Polls `condition` until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        for hook in POLL_HOOKS:
            hook()
        try:
            value = condition()
        except Failure:
            raise
        except Exception:  # a window or object that is just going away
            value = None
        if value:
            waited = time.monotonic() - (deadline - timeout)
            if waited > 5:
                print(f"  (waited {waited:.1f} s for {what})", flush=True)
            return value
        if time.monotonic() > deadline:
            raise Failure(f"gave up after {timeout:.0f} s waiting for {what}")
        time.sleep(0.1)


def need(tool):
    """The path of a tool the run cannot do without; its absence is a failure."""
    path = shutil.which(tool)
    if not path:
        raise Failure(f"{tool} is not installed (scripts/deps.sh installs it)")
    return path


class Desktop:
    """Xvfb with a display number of its own, and openbox when asked for."""

    def __init__(self, workdir, window_manager=True, screen="1024x768x24"):
        self.workdir = workdir
        self.window_manager = window_manager
        self.screen = screen
        self.procs = []
        self.display = None

    def __enter__(self):
        try:
            return self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise

    def _start(self):
        for tool in ("Xvfb", "xdotool", "xprop", "xwininfo", "import"):
            need(tool)
        # On a busy machine openbox once failed to open a display Xvfb had
        # just named: most likely a server of another run that was ending
        # on the same number took the new one's socket with it. A display
        # that takes no client is given up for another.
        for attempt in range(1, 4):
            xvfb = self._start_xvfb(attempt)
            accepts = lambda: subprocess.run(["xprop", "-root", "-len", "0", "_NET_SUPPORTED"],
                                             capture_output=True).returncode == 0
            try:
                wait_for(lambda: accepts() or xvfb.poll() is not None, "Xvfb to accept a client", timeout=10)
                if xvfb.poll() is None:
                    break
            except Failure:
                pass
            print(f"  display {self.display} (try {attempt}) takes no client; Xvfb "
                  f"{'ended' if xvfb.poll() is not None else 'runs'}", flush=True)
            if xvfb.poll() is None:
                xvfb.kill()
                xvfb.wait()
        else:
            raise Failure("no Xvfb display took a client in 3 tries")
        if self.window_manager:
            self._start_window_manager()
        return self

    def _start_xvfb(self, attempt):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.workdir, f"xvfb-{attempt}.log"), "wb")
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=log, stderr=log)
        self.procs.insert(0, xvfb)
        os.close(write_end)
        # Xvfb writes the display number once it accepts clients.
        number = b""
        with os.fdopen(read_end, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    raise Failure("Xvfb ended without naming a display")
                number += chunk
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        return xvfb

    def _start_window_manager(self):
        need("openbox")
        # openbox that could not open the display ends at once; another try
        # costs nothing, while giving up fails a run that has nothing wrong.
        for attempt in range(1, 4):
            log_path = os.path.join(self.workdir, f"openbox-{attempt}.log")
            wm_log = open(log_path, "wb")
            wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=wm_log, stderr=wm_log)
            self.procs.append(wm)

            def managed():
                if "window id" in self.xprop_root("_NET_SUPPORTING_WM_CHECK"):
                    return True
                if wm.poll() is not None:
                    raise Failure("openbox ended")
                return False
            try:
                wait_for(managed, "openbox to manage the screen")
                return
            except Failure as e:
                with open(log_path, errors="replace") as f:
                    wm_said = f.read()[-2000:]
                with open(sorted(glob.glob(os.path.join(self.workdir, "xvfb-*.log")))[-1], errors="replace") as f:
                    xvfb_said = f.read()[-2000:]
                failure = (f"{e} (try {attempt}); Xvfb {'ended' if self.procs[0].poll() is not None else 'runs'}; "
                           f"openbox's log: {wm_said!r}; Xvfb's log: {xvfb_said!r}")
                print(f"  {failure}", flush=True)
                if wm.poll() is None or self.procs[0].poll() is not None:
                    break
        raise Failure(failure)

    def __exit__(self, *exc):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        return False

    # ------------------------------------------------------------- X queries

    @staticmethod
    def run(*args, check=True):
        r = subprocess.run(list(args), capture_output=True, text=True)
        if check and r.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {r.stderr.strip()}")
        return r.stdout

    def xprop_root(self, prop):
        return self.run("xprop", "-root", prop, check=False)

    def windows(self, name_regex):
        """Mapped windows whose title matches the regular expression."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", name_regex, check=False)
        return [int(w) for w in out.split()]

    def title(self, wid):
        return self.run("xdotool", "getwindowname", str(wid), check=False).rstrip("\n")

    def client_origin(self, wid):
        """Where the window's client area really is on the screen (the X
        server's word, not the program's own idea of its position)."""
        info = self.run("xwininfo", "-id", str(wid))
        vals = {}
        for line in info.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X:", "Absolute upper-left Y:", "Width:", "Height:", "Map State:"):
                if line.startswith(key):
                    vals[key] = line[len(key):].strip()
        return (int(vals["Absolute upper-left X:"]), int(vals["Absolute upper-left Y:"]),
                int(vals["Width:"]), int(vals["Height:"]), vals["Map State:"])

    def framed(self, wid):
        """True once the window manager has put its frame around the window."""
        out = self.run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS", "WM_STATE", check=False)
        return "_NET_FRAME_EXTENTS(CARDINAL) =" in out and "Normal" in out

    def frame_extents(self, wid):
        out = self.run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS")
        left, right, top, bottom = (int(v) for v in out.split("=", 1)[1].split(","))
        return left, right, top, bottom

    # ------------------------------------------------------------- input

    def key(self, *keys):
        self.run("xdotool", "key", "--clearmodifiers", *keys)

    def type(self, text):
        self.run("xdotool", "type", "--delay", "20", text)

    def pointer(self):
        out = self.run("xdotool", "getmouselocation", "--shell")
        vals = dict(line.split("=", 1) for line in out.split())
        return int(vals["X"]), int(vals["Y"])

    def click(self, x, y, button=1):
        # A move with --sync to where the pointer already is would wait for a
        # motion that never comes.
        if self.pointer() != (x, y):
            self.run("xdotool", "mousemove", "--sync", str(x), str(y))
        self.click_here(button)

    def click_here(self, button=1):
        self.run("xdotool", "click", str(button))

    def window_under_pointer_after_move(self, x, y):
        out = self.run("xdotool", "mousemove", "--sync", str(x), str(y), "getmouselocation", "--shell")
        for line in out.splitlines():
            if line.startswith("WINDOW="):
                return int(line[7:])
        return None

    def focus(self, wid):
        if self.window_manager:
            self.run("xdotool", "windowactivate", "--sync", str(wid), check=False)
        else:
            self.run("xdotool", "windowfocus", "--sync", str(wid), check=False)

    def set_clipboard(self, text):
        """Owns the clipboard with this text (bytes kept as given, CR LF
        included), as another program's copy would, until the desktop ends."""
        need("xclip")
        owner = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-i"],
                                 stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        owner.stdin.write(text.encode("utf-8"))
        owner.stdin.close()
        self.procs.append(owner)
        # (read back as text, where CR LF and CR read as LF)
        shown = text.replace("\r\n", "\n").replace("\r", "\n")
        wait_for(lambda: self.run("xclip", "-selection", "clipboard", "-o", check=False) == shown,
                 "the clipboard to hold the text")

    def screenshot(self, path):
        self.run("import", "-window", "root", path, check=False)
