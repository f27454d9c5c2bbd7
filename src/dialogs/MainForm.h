#pragma once
#include "AppSlots.h"
#include "ExtensionTable.h"
#include "TColor.h"

#include <QStringList>

// What the dialogs may ask of the main window and hand back to it: its models
// and the operations it runs for them. No dialog sees the main window's controls.
class MainForm {
public:
    virtual ~MainForm() = default;

    // Reloaders (each may throw VarError).
    virtual void LoadSet() = 0;
    virtual void TagsLoad() = 0;
    virtual void LoadAppItem() = 0;

    // Extension table.
    virtual QStringList categoryNames() const = 0;
    virtual const PatternGrid& patternGrid() const = 0;
    // Selects item 0 of ChBox1 and of ChBox2 without running a change handler.
    virtual void selectFirstCategoryAndPattern() = 0;

    // View colours.
    virtual ViewColors viewColors() const = 0;
    virtual void setViewColors(const ViewColors& colors) = 0;
    virtual void ColorSet() = 0;

    // Application slots, n = 1..5.
    virtual const AppSlots::Table& slotTable() const = 0;
    // "決定" of the registration dialog for one slot: its texts and picture
    // become the slot, shown on its button and menu items.
    virtual void confirmSlot(int n, const AppSlots::Slot& slot) = 0;
    // Enables or disables CheckBox1, E1 and N19 (their ticks stay).
    virtual void setDirectEnabled(bool enabled) = 0;
};
