#pragma once
#include "ExtensionTable.h"

#include <QString>
#include <QStringList>

// The working copy of the extension settings dialog: the category names, the
// pattern grid, the pattern list of the selected category and the marks that say
// which commands are available. The dialog's widgets only mirror this state, so
// every rule of the editor can be exercised without them.
//
// The grid only ever receives writes in rows 0..9 and entries 0..19: a
// hand-made settings file may name more than ten categories, and those extra
// categories simply have no row (their pattern list is empty and pattern
// commands on them are refused).
class ExtensionEditor {
public:
    enum Target { Categories = 0, Patterns = 1 };
    static constexpr int MaxCategories = PatternGrid::Categories;   // 10
    static constexpr int MaxPatterns = PatternGrid::Patterns;       // 20

    // Availability marks of one list: "full" takes "追加" away, "empty" takes
    // "変更" and "削除" away.
    struct Marks {
        bool full = false;
        bool empty = false;
    };

    // Builds the copy from the main window's table; selects the first category.
    void StDat(const QStringList& names, const PatternGrid& grid);
    // Lists the visible patterns of a grid row, selects the first one and sets
    // the pattern marks from the count.
    void L2Set(int row);

    const QStringList& names() const { return m_names; }
    const QStringList& patterns() const { return m_patterns; }
    const PatternGrid& grid() const { return m_grid; }
    int categoryIndex() const { return m_cat; }
    int patternIndex() const { return m_pat; }
    Marks categoryMarks() const { return m_catMarks; }
    Marks patternMarks() const { return m_patMarks; }
    Target target() const { return m_target; }
    void setTarget(Target target) { m_target = target; }

    // The user picked a category (its patterns are listed) or a pattern.
    void selectCategory(int index);
    void selectPattern(int index);

    // True while the selected category owns a grid row to store patterns in.
    bool hasCategoryRow() const { return m_cat >= 0 && m_cat < m_names.size() && m_cat < MaxCategories; }
    // Availability of the commands for a list (not only the edit target).
    bool canAdd(Target list) const;
    bool canChangeOrDelete(Target list) const;
    // The text the change command starts from; throws VarError (the list's index
    // error) when nothing is selected.
    QString selectedText() const;

    // Commands on the edit target. Each returns false when it was refused and
    // changed nothing.
    bool add(const QString& name);
    bool renameCategory(const QString& name);
    bool renamePattern(const QString& name);
    bool remove();

    // Dragging: the index pressed on (-1 off the items), then the drop on the
    // item at `target` (-1 below the last item) of the edit target's list.
    int dragSourceIndex() const { return m_dragSource; }
    void setDragSourceIndex(int index) { m_dragSource = index; }
    bool dropCategory(int target);
    bool dropPattern(int target);

    // Row moves of the grid; n is the number of categories.
    void L2DownSlide(int p);   // rows p..n-1 down by one
    void L2UpSlide(int p);     // rows p..n-1 up by one
    void L2UD(int t);          // row of the drag source up to t
    void L2DU(int t);          // row of the drag source down to t

private:
    using Row = std::array<QString, PatternGrid::Patterns>;
    Row row(int r) const;
    void setRow(int r, const Row& value);
    void clearRow(int r) { setRow(r, Row{}); }
    // Empties the selected category's row and writes the pattern list into it.
    void storePatternList();
    static Marks marksFor(int count, int max) { return Marks{count >= max, count == 0}; }

    QStringList m_names;
    PatternGrid m_grid;
    QStringList m_patterns;
    int m_cat = -1;
    int m_pat = -1;
    Marks m_catMarks;
    Marks m_patMarks;
    Target m_target = Categories;
    int m_dragSource = -1;
};
