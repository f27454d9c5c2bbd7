#pragma once
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "TColor.h"

#include <QStringList>

// What the dialogs may ask of the main window and hand back to it: its models
// and the operations it runs for them, said in what they mean to the user. No
// dialog sees the main window's controls; how the window shows a change is
// its own affair.
class MainForm {
public:
    virtual ~MainForm() = default;

    // Read a settings file again and show what it holds: the main settings,
    // the extension table, the application slots (each may throw VarError).
    virtual void LoadSet() = 0;
    virtual void TagsLoad() = 0;
    virtual void LoadAppItem() = 0;

    // Extension table.
    virtual QStringList categoryNames() const = 0;
    virtual const PatternGrid& patternGrid() const = 0;
    // The first category and its first pattern become the chosen ones, as at
    // start-up; nothing is listed anew.
    virtual void selectFirstCategoryAndPattern() = 0;

    // View colours: the shared pair, and showing it in the main window.
    virtual ViewColors viewColors() const = 0;
    virtual void setViewColors(const ViewColors& colors) = 0;
    virtual void ColorSet() = 0;

    // Application slots, n = 1..5.
    virtual const AppSlots::Table& slotTable() const = 0;
    // "決定" of the registration dialog for one slot: its texts and picture
    // become the slot, to launch and to show from then on.
    virtual void confirmSlot(int n, const AppSlots::Slot& slot) = 0;
    // Whether launching without a file can be chosen at all; the user's
    // choice of it is kept either way and counts again once it is available.
    virtual void setDirectLaunchAvailable(bool available) = 0;
};
