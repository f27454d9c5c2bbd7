#!/usr/bin/python3
"""End-to-end: the built program on a real X server (Xvfb, with openbox or
without a window manager), driven by real key and mouse events.

    usage: e2e.py SCENARIO BUILD_BIN_DIR SOURCE_DIR [FAILURE_DIR]

Each run has its own work folder, XDG_RUNTIME_DIR and D-Bus session, so that
runs side by side never share a display or an accessibility bus. On a failure
a screenshot and the logs are left in FAILURE_DIR."""

import os
import shutil
import sys
import tempfile
import traceback

sys.dont_write_bytecode = True

from desk import run_in_private_session  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def outer(scenario, bin_dir, src_dir, failure_dir):
    """Prepares the private session and runs the scenario inside it."""
    work = tempfile.mkdtemp(prefix=f"vardolin-e2e-{scenario}-")
    try:
        return run_in_private_session(work, __file__, [scenario, bin_dir, src_dir, failure_dir])
    finally:
        shutil.rmtree(work, ignore_errors=True)


class Context:
    def __init__(self, desk, bin_dir, src_dir, workdir):
        self.desk = desk
        self.bin_dir = bin_dir
        self.src_dir = src_dir
        self.workdir = workdir
        self.programs = []

    def vardolin(self, home=None):
        from app import Vardolin
        v = Vardolin(self.desk, self.bin_dir, self.src_dir, self.workdir, home=home)
        self.programs.append(v)
        return v


def inner(work, scenario, bin_dir, src_dir, failure_dir):
    sys.path.insert(0, HERE)
    from desk import Desktop, Failure
    from scenarios import SCENARIOS

    if scenario not in SCENARIOS:
        print(f"FAIL: no scenario '{scenario}'; known: {', '.join(SCENARIOS)}")
        return 2
    window_manager, run = SCENARIOS[scenario]
    with Desktop(work, window_manager=window_manager) as desk:
        ctx = Context(desk, bin_dir, src_dir, work)
        try:
            run(ctx)
        except Exception as e:  # noqa: BLE001 - every way of failing is reported alike
            kind = "FAIL" if isinstance(e, Failure) else "ERROR"
            print(f"{kind}: {scenario}: {e}")
            if not isinstance(e, Failure):
                traceback.print_exc()
            keep_evidence(desk, work, scenario, failure_dir)
            return 1
        finally:
            for v in ctx.programs:
                v.kill()
    print(f"passed: {scenario}")
    return 0


def keep_evidence(desk, work, scenario, failure_dir):
    if not failure_dir:
        return
    target = os.path.join(failure_dir, scenario)
    shutil.rmtree(target, ignore_errors=True)
    os.makedirs(target, exist_ok=True)
    desk.screenshot(os.path.join(target, "screen.png"))
    for name in os.listdir(work):
        if name.endswith(".log"):
            shutil.copy2(os.path.join(work, name), target)
    app = os.path.join(work, "app")
    for name in ("appcfgs.cfg", "appitems.cfg", "exitem.cfg"):
        if os.path.exists(os.path.join(app, name)):
            shutil.copy2(os.path.join(app, name), target)
    print(f"screenshot and logs in {target}")


def main(argv):
    if len(argv) >= 2 and argv[1] == "--inside":
        return inner(argv[2], argv[3], argv[4], argv[5], argv[6] if len(argv) > 6 else "")
    if len(argv) < 4:
        print(__doc__)
        return 2
    return outer(argv[1], os.path.abspath(argv[2]), os.path.abspath(argv[3]),
                 os.path.abspath(argv[4]) if len(argv) > 4 and argv[4] else "")


if __name__ == "__main__":
    sys.exit(main(sys.argv))
