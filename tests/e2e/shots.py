#!/usr/bin/python3
"""Screenshots of every window of the program at a screen scale factor, for
looking at by eye: the layout kept, nothing cut off, icons and glyphs sharp.

    usage: shots.py BUILD_BIN_DIR SOURCE_DIR OUT_DIR [SCALE ...]

One PNG per window and scale (default scales 1, 1.5 and 2) lands in OUT_DIR.
Each scale runs the program afresh on a private Xvfb desktop with openbox."""

import os
import shutil
import sys
import tempfile

sys.dont_write_bytecode = True

from desk import run_in_private_session  # noqa: E402
HERE = os.path.dirname(os.path.abspath(__file__))


def inner(work, bin_dir, src_dir, out_dir, scale):
    os.environ["QT_SCALE_FACTOR"] = scale   # before a11y reads it
    sys.path.insert(0, HERE)
    import a11y
    from app import Vardolin, cp932_lines, unregistered_slots
    from desk import Desktop, wait_for

    with Desktop(work, window_manager=True, screen="2400x1800x24") as desk:
        v = Vardolin(desk, bin_dir, src_dir, work)
        names = ["readme.txt", "メモ.txt", "長い名前のファイル.txt", "notes.txt"]
        for name in names:
            with open(v.desktop_folder + name, "wb") as f:
                f.write("一行目 first line\r\n二行目 second\r\n".encode("cp932"))
        # Glyphs with edges and colours, to see how they are enlarged.
        desk.run("convert", "-size", "17x17", "xc:#d4d0c8", "-fill", "#c00000", "-draw", "circle 8,8 8,2",
                 "-fill", "#0030c0", "-draw", "rectangle 2,12 14,15", "BMP3:" + v.settings("IconImg1.bmp"))
        desk.run("convert", "-size", "17x17", "xc:#d4d0c8", "-fill", "#008000", "-draw", "polygon 2,15 8,1 15,15",
                 "BMP3:" + v.settings("IconImg2.bmp"))
        v.write("appitems.cfg", cp932_lines("記録", "/bin/true", "--opt", "編集", "/usr/bin/vi", "",
                                            *unregistered_slots(3)))

        def snap(title, what):
            wid = wait_for(lambda: next(iter(desk.windows(title)), None), f"the window {what}")
            path = os.path.join(out_dir, f"{what}-x{scale}.png")
            desk.run("import", "-window", str(wid), path)
            print(path, flush=True)

        def dialog(name):
            return wait_for(lambda: next(iter(a11y.windows(v.app, name=name)), None), name)

        def press(window, caption):
            v.click(a11y.wait_find(window, caption, role="push button", name=caption))

        try:
            v.start()
            wait_for(lambda: sorted(v.listed()) == sorted(names), "the files listed")
            v.click_file("メモ.txt")
            v.wait_title("Vardolin - メモ.txt")
            snap("^Vardolin - ", "main")

            v.click_menu_item(v.open_menu("ヘルプ（H）"), "バージョン情報（V）")
            box = dialog("ﾊﾞｰｼﾞｮﾝ情報")
            snap("^ﾊﾞｰｼﾞｮﾝ情報$", "about")
            # With its frame: the title-bar buttons the window manager gives it.
            desk.screenshot(os.path.join(out_dir, f"about-framed-x{scale}.png"))
            press(box, "OK")

            v.click_menu_item(v.open_menu("設定（O）"), "フォント設定（F）")
            font = dialog("フォントの選択")
            snap("^フォントの選択$", "font")
            press(font, "キャンセル")

            v.click_menu_item(v.open_menu("設定（O）"), "拡張子の設定（E）")
            ext = dialog("拡張子の設定")
            snap("^拡張子の設定$", "extensions")
            press(ext, "追加")
            name = dialog("種別：追加")
            snap("^種別：追加$", "name-input")
            press(name, "キャンセル")
            press(ext, "閉じる")

            v.click_menu_item(v.open_menu("設定（O）"), "外部起動アプリの登録（X）")
            reg = dialog("外部起動アプリの登録")
            v.click(a11y.wait_find(reg, "row 1", role="label", name="記録"))
            snap("^外部起動アプリの登録$", "registration")
            press(reg, "動作テスト")
            test = dialog("Form5")
            snap("^Form5$", "test-run")
            press(test, "終了")
            press(reg, "キャンセル")

            v.click_menu_item(v.open_menu("設定（O）"), "文字色と背景色の設定（C）")
            col = dialog("文字色と背景色の設定")
            snap("^文字色と背景色の設定$", "colours")
            press(col, "キャンセル")

            v.click_menu_item(v.open_menu("操作（C）"), "Ver1.02用の設定ファイルをインポート（I）")
            imp = wait_for(lambda: next((w for w in a11y.windows(v.app, role="dialog")
                                         if a11y.find(w, "実行", role="push button", name="実行")), None),
                           "the import dialog")
            snap("^" + imp.name + "$", "import")
            press(imp, "キャンセル")

            v.click_menu_item(v.open_submenu(v.open_menu("操作（C）"), "テキスト（T）"), "検索（S）")
            find = dialog("検索")
            snap("^検索$", "find")
            press(find, "キャンセル")

            v.click(v.tool_button("フォルダのパスを選択するダイアログボックスを開きます。"))
            picker = dialog("フォルダの参照")
            snap("^フォルダの参照$", "folder-picker")
            press(picker, "キャンセル")

            desk.screenshot(os.path.join(out_dir, f"desktop-x{scale}.png"))
            v.close_by_menu()
        finally:
            v.kill()
    return 0


def main(argv):
    if len(argv) >= 2 and argv[1] == "--inside":
        return inner(*argv[2:8])
    if len(argv) < 4:
        print(__doc__)
        return 2
    out_dir = os.path.abspath(argv[3])
    os.makedirs(out_dir, exist_ok=True)
    status = 0
    for scale in argv[4:] or ["1", "1.5", "2"]:
        work = tempfile.mkdtemp(prefix="vardolin-shots-")
        try:
            status |= run_in_private_session(
                work, __file__, [os.path.abspath(argv[1]), os.path.abspath(argv[2]), out_dir, scale])
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
