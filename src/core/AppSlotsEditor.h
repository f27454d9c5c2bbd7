#pragma once
#include "AppSlots.h"

#include <QImage>

#include <array>

// The working copy of the application registration dialog: its five rows
// (title, path, option and picture each), the slot chosen in its selector and
// its preview picture. The dialog's widgets only mirror this state, so every
// rule of the dialog can be exercised without them. Rows are numbered 1..5; a
// picture may be empty until something is drawn on it (see AppSlots).
class AppSlotsEditor {
public:
    // The opening: every row's texts from the table, and its picture from the
    // slot's icon unless that is empty (the row then keeps its own).
    void copyFrom(const AppSlots::Table& table);

    // Row n; a number out of range reads as an empty row.
    const AppSlots::Row& row(int n) const;
    const QImage& picture(int n) const;
    const QImage& preview() const { return m_preview; }
    static bool isRegistered(const AppSlots::Row& row) { return AppSlots::isRegistered(row.title); }

    // The slot chosen in the selector, 0 when none is.
    int selected() const { return m_selected; }
    void select(int n) { m_selected = AppSlots::Table::valid(n) ? n : 0; }

    // The selected row shown in the preview: its picture when it is
    // registered, the button face when not. Nothing without a selection.
    void selectedToPreview();
    // The first row a showing gives a fresh icon: registered, titled and with
    // a path; 0 when there is none.
    int firstRowWithProgram() const;
    // The preview drawn opaque onto row n's picture.
    void previewToRow(int n);
    void clearPreview() { AppSlots::fillButtonFace(&m_preview); }
    // A program's icon (with transparency) drawn onto the preview.
    void drawOnPreview(const QImage& icon) { AppSlots::drawOver(&m_preview, icon); }

    // "仮登録": the fields become the selected row, its picture the preview
    // over the button face. False (and nothing changes) without a selection.
    bool provisional(const AppSlots::Row& fields);
    // "Reset" of row n: unregistered, no path or option, a blank picture.
    // True when n is the selected slot, whose fields are to be emptied too.
    bool reset(int n);

    // What "決定" gives the main window for slot n: the row with its picture;
    // an unregistered row keeps no path or option.
    AppSlots::Slot confirmed(int n) const;
    int unregisteredCount() const;
    // "設定の保存": appitems.cfg and the five icon files from the rows.
    void save(const QString& settingsDir) const;

private:
    std::array<AppSlots::Row, AppSlots::Count> m_rows{};
    std::array<QImage, AppSlots::Count> m_pictures{};
    QImage m_preview;
    int m_selected = 0;
};
