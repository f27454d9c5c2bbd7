#pragma once
#include "ExtensionTable.h"
#include "TColor.h"

#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>

class LineBuffer;
class QWidget;

// What the dialogs may do with the main window. The dialogs work directly on the
// main window's controls and shared state; this keeps them off its header.
class MainForm {
public:
    virtual ~MainForm() = default;
    virtual QWidget* mainWidget() = 0;
    virtual LineBuffer& lineBuffer() = 0;

    // Reloaders (each may throw VarError).
    virtual void LoadSet() = 0;
    virtual void TagsLoad() = 0;
    virtual void LoadAppItem() = 0;

    // Extension table.
    virtual QStringList categoryNames() const = 0;           // items of ChBox1
    virtual const PatternGrid& patternGrid() const = 0;
    // Selects item 0 of ChBox1 and of ChBox2 without running a change handler.
    virtual void selectFirstCategoryAndPattern() = 0;

    // View colours.
    virtual ViewColors viewColors() const = 0;
    virtual void setViewColors(const ViewColors& colors) = 0;
    virtual void ColorSet() = 0;

    // Application slots, n = 1..5.
    virtual QString slotHint(int n) const = 0;       // the slot's tool-button hint (its title)
    virtual QString slotPath(int n) const = 0;
    virtual QString slotOption(int n) const = 0;
    virtual QImage slotHiddenImage(int n) const = 0; // ImageN; null when empty
    // "決定" of the registration dialog for one slot.
    virtual void confirmSlot(int n, bool registered, const QString& title, const QString& path,
                             const QString& option, const QImage& glyph) = 0;
    // Enables or disables CheckBox1, E1 and N19 (their ticks stay).
    virtual void setDirectEnabled(bool enabled) = 0;
};
