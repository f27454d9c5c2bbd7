// The working copy of the extension settings dialog: insertions, deletions,
// drags, availability marks and the limits of the grid.
#include "ExtensionEditor.h"
#include "VarError.h"

#include <QtTest>

namespace {
using Ed = ExtensionEditor;

// Categories with one pattern each: "A" gets "a", "B" gets "b", ...
Ed editorWith(const QStringList& names)
{
    PatternGrid grid;
    for (int r = 0; r < names.size() && r < PatternGrid::Categories; ++r)
        grid.cell[r][0] = names.at(r).toLower();
    Ed ed;
    ed.StDat(names, grid);
    return ed;
}

QStringList rowOf(const Ed& ed, int r)
{
    QStringList out;
    for (int c = 0; c < PatternGrid::Cols; ++c) out << ed.grid().cell[r][c];
    while (!out.isEmpty() && out.last().isEmpty()) out.removeLast();
    return out;
}

QStringList firstPatterns(const Ed& ed, int rows)
{
    QStringList out;
    for (int r = 0; r < rows; ++r) out << ed.grid().cell[r][0];
    return out;
}

QStringList numbered(const QString& prefix, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i) out << prefix + QString::number(i);
    return out;
}
} // namespace

class TestExtensionEditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addCategoryInsertsBeforeSelection();
    void deleteCategoryMovesRowsUp();
    void categoryMarksFollowCount();
    void addPatternInsertsBeforeSelection();
    void patternMarksFollowCount();
    void dragCategoriesCarriesRows();
    void dragPatternsRewritesRow();
    void renameKeepsRowsAndSelection();
    void patternCommandsNeedCategory();
    void moreThanTenCategoriesStayInGrid();
    void changeWithoutSelectionIsIndexError();
};

void TestExtensionEditor::addCategoryInsertsBeforeSelection()
{
    Ed ed = editorWith({"A", "B", "C"});
    ed.selectCategory(2);
    QCOMPARE(ed.patterns(), QStringList{"c"});
    QVERIFY(ed.add("D"));
    QCOMPARE(ed.names(), (QStringList{"A", "B", "D", "C"}));
    QCOMPARE(firstPatterns(ed, 4), (QStringList{"a", "b", "", "c"}));
    QCOMPARE(ed.categoryIndex(), 0);
    QCOMPARE(ed.patterns(), QStringList{"a"});
    QCOMPARE(ed.patternIndex(), 0);

    // Into an empty list: the first category, without patterns even where the
    // grid still held some for row 0.
    PatternGrid grid;
    grid.cell[0][0] = "*.orphan";
    Ed empty;
    empty.StDat({}, grid);
    QVERIFY(empty.add(QString()));
    QCOMPARE(empty.names(), QStringList{QString()});
    QCOMPARE(empty.patterns(), QStringList());
    QCOMPARE(empty.categoryIndex(), 0);
}

void TestExtensionEditor::deleteCategoryMovesRowsUp()
{
    Ed ed = editorWith({"A", "B", "C"});
    ed.selectCategory(1);
    QVERIFY(ed.remove());
    QCOMPARE(ed.names(), (QStringList{"A", "C"}));
    QCOMPARE(firstPatterns(ed, 3), (QStringList{"a", "c", ""}));
    QCOMPARE(ed.categoryIndex(), 0);
    QCOMPARE(ed.patterns(), QStringList{"a"});

    // The last one: its row is emptied and nothing moves.
    Ed last = editorWith({"A", "B", "C"});
    last.selectCategory(2);
    QVERIFY(last.remove());
    QCOMPARE(firstPatterns(last, 3), (QStringList{"a", "b", ""}));

    Ed none;
    none.StDat({}, PatternGrid{});
    QVERIFY(!none.remove());
}

void TestExtensionEditor::categoryMarksFollowCount()
{
    Ed ed = editorWith(numbered("k", 9));
    QVERIFY(ed.canAdd(Ed::Categories));
    QVERIFY(ed.add("tenth"));
    QVERIFY(ed.categoryMarks().full);
    QVERIFY(!ed.canAdd(Ed::Categories));
    QVERIFY(!ed.add("eleventh"));
    QCOMPARE(ed.names().size(), 10);
    ed.selectCategory(4);
    QVERIFY(ed.remove());
    QVERIFY(!ed.categoryMarks().full);
    QVERIFY(ed.canAdd(Ed::Categories));

    QVERIFY(editorWith(numbered("k", 10)).categoryMarks().full);

    Ed one = editorWith({"A"});
    QVERIFY(one.remove());
    QVERIFY(one.categoryMarks().empty);
    QVERIFY(!one.canChangeOrDelete(Ed::Categories));
    QCOMPARE(one.categoryIndex(), -1);
    QVERIFY(one.add("B"));
    QVERIFY(!one.categoryMarks().empty);
    QVERIFY(one.canChangeOrDelete(Ed::Categories));
}

void TestExtensionEditor::addPatternInsertsBeforeSelection()
{
    PatternGrid grid;
    grid.cell[0][0] = "*.txt";
    grid.cell[1][0] = "*.c";
    grid.cell[1][1] = "*.h";
    grid.cell[1][2] = "*.cpp";
    Ed ed;
    ed.StDat({"Text", "Source"}, grid);
    ed.selectCategory(1);
    ed.setTarget(Ed::Patterns);
    ed.selectPattern(2);
    QVERIFY(ed.add("*.hpp"));
    const QStringList expected{"*.c", "*.h", "*.hpp", "*.cpp"};
    QCOMPARE(ed.patterns(), expected);
    QCOMPARE(rowOf(ed, 1), expected);
    QCOMPARE(rowOf(ed, 0), QStringList{"*.txt"});
    QCOMPARE(ed.patternIndex(), 0);
    QCOMPARE(ed.categoryIndex(), 1);

    // An empty pattern list takes the first one; a blank-edged name stays so.
    ed.selectCategory(0);
    QVERIFY(ed.remove());
    QVERIFY(ed.patternMarks().empty);
    QCOMPARE(rowOf(ed, 0), QStringList());
    QVERIFY(ed.add(" *.log "));
    QCOMPARE(rowOf(ed, 0), QStringList{" *.log "});
    QVERIFY(!ed.patternMarks().empty);
}

void TestExtensionEditor::patternMarksFollowCount()
{
    PatternGrid grid;
    for (int c = 0; c < 19; ++c) grid.cell[0][c] = QStringLiteral("*.%1").arg(c);
    grid.cell[1][0] = "*.x";
    Ed ed;
    ed.StDat({"Many", "Few"}, grid);
    ed.setTarget(Ed::Patterns);
    QVERIFY(ed.add("*.new"));
    QCOMPARE(ed.patterns().size(), 20);
    QVERIFY(ed.patternMarks().full);
    QVERIFY(!ed.add("*.more"));
    QCOMPARE(ed.grid().cell[0][20], QString());   // a full row still ends empty

    ed.selectCategory(1);
    QVERIFY(!ed.patternMarks().full);
    QVERIFY(ed.canAdd(Ed::Patterns));
    ed.selectCategory(0);
    QVERIFY(ed.patternMarks().full);
    QVERIFY(ed.remove());
    QVERIFY(!ed.patternMarks().full);
    QCOMPARE(rowOf(ed, 0).size(), 19);

    ed.selectCategory(1);
    QVERIFY(ed.remove());
    QVERIFY(ed.patternMarks().empty);
    QVERIFY(!ed.canChangeOrDelete(Ed::Patterns));
    QCOMPARE(ed.patternIndex(), -1);
}

void TestExtensionEditor::dragCategoriesCarriesRows()
{
    Ed ed = editorWith({"A", "B", "C", "D"});
    ed.selectCategory(2);
    ed.setDragSourceIndex(3);
    QVERIFY(ed.dropCategory(1));   // D onto B
    QCOMPARE(ed.names(), (QStringList{"A", "D", "B", "C"}));
    QCOMPARE(firstPatterns(ed, 4), (QStringList{"a", "d", "b", "c"}));
    QCOMPARE(ed.categoryIndex(), 0);

    Ed down = editorWith({"A", "B", "C", "D"});
    down.setDragSourceIndex(0);
    QVERIFY(down.dropCategory(2));   // A onto C
    QCOMPARE(down.names(), (QStringList{"B", "C", "A", "D"}));
    QCOMPARE(firstPatterns(down, 4), (QStringList{"b", "c", "a", "d"}));

    // Below the last item, onto itself, or from nowhere: no change.
    for (auto [source, target] : {std::pair{3, -1}, std::pair{2, 2}, std::pair{-1, 1}}) {
        Ed same = editorWith({"A", "B", "C", "D"});
        same.setDragSourceIndex(source);
        QVERIFY(!same.dropCategory(target));
        QCOMPARE(same.names(), (QStringList{"A", "B", "C", "D"}));
        QCOMPARE(firstPatterns(same, 4), (QStringList{"a", "b", "c", "d"}));
    }
}

void TestExtensionEditor::dragPatternsRewritesRow()
{
    PatternGrid grid;
    const QStringList row{"*.a", "*.b", "*.c", "*.d"};
    for (int c = 0; c < row.size(); ++c) grid.cell[0][c] = row.at(c);
    Ed ed;
    ed.StDat({"K"}, grid);
    ed.setTarget(Ed::Patterns);
    ed.setDragSourceIndex(3);
    QVERIFY(ed.dropPattern(1));
    QCOMPARE(ed.patterns(), (QStringList{"*.a", "*.d", "*.b", "*.c"}));
    QCOMPARE(rowOf(ed, 0), ed.patterns());
    ed.setDragSourceIndex(0);
    QVERIFY(ed.dropPattern(3));
    QCOMPARE(rowOf(ed, 0), (QStringList{"*.d", "*.b", "*.c", "*.a"}));
    QCOMPARE(ed.patternIndex(), 0);
    ed.setDragSourceIndex(1);
    QVERIFY(!ed.dropPattern(-1));
    QCOMPARE(rowOf(ed, 0), (QStringList{"*.d", "*.b", "*.c", "*.a"}));
}

void TestExtensionEditor::renameKeepsRowsAndSelection()
{
    Ed ed = editorWith({"A", "B", "C"});
    ed.selectCategory(1);
    QVERIFY(ed.renameCategory("Bee"));
    QCOMPARE(ed.names(), (QStringList{"A", "Bee", "C"}));
    QCOMPARE(ed.categoryIndex(), 1);
    QCOMPARE(ed.patterns(), QStringList{"b"});
    ed.setTarget(Ed::Patterns);
    QVERIFY(ed.renamePattern("*.bee"));
    QCOMPARE(ed.patterns(), QStringList{"*.bee"});
    QCOMPARE(ed.grid().cell[1][0], QStringLiteral("*.bee"));
    QCOMPARE(ed.grid().cell[0][0], QStringLiteral("a"));
}

void TestExtensionEditor::patternCommandsNeedCategory()
{
    // A file whose block 0 holds patterns but which names no category.
    PatternGrid grid;
    grid.cell[0][0] = "*.txt";
    grid.cell[0][1] = "*.log";
    Ed ed;
    ed.StDat({}, grid);
    ed.setTarget(Ed::Patterns);
    QCOMPARE(ed.patterns(), (QStringList{"*.txt", "*.log"}));
    QVERIFY(!ed.canAdd(Ed::Patterns));
    QVERIFY(!ed.canChangeOrDelete(Ed::Patterns));
    QVERIFY(!ed.add("*.new"));
    QVERIFY(!ed.renamePattern("*.new"));
    QVERIFY(!ed.remove());
    ed.setDragSourceIndex(1);
    QVERIFY(!ed.dropPattern(0));
    QCOMPARE(rowOf(ed, 0), (QStringList{"*.txt", "*.log"}));
}

void TestExtensionEditor::moreThanTenCategoriesStayInGrid()
{
    // Only a hand-made file gets here; the categories past the tenth have no row.
    const QStringList names = numbered("k", 12);
    Ed ed = editorWith(names);
    QVERIFY(ed.categoryMarks().full);
    QVERIFY(!ed.add("more"));

    ed.selectCategory(11);
    QCOMPARE(ed.patterns(), QStringList());
    ed.setTarget(Ed::Patterns);
    QVERIFY(!ed.hasCategoryRow());
    QVERIFY(!ed.add("*.x"));

    ed.setTarget(Ed::Categories);
    ed.setDragSourceIndex(11);
    QVERIFY(ed.dropCategory(0));
    QCOMPARE(ed.names().first(), QStringLiteral("k11"));
    QCOMPARE(firstPatterns(ed, 10),
             (QStringList{"", "k0", "k1", "k2", "k3", "k4", "k5", "k6", "k7", "k8"}));
    ed.setDragSourceIndex(1);
    QVERIFY(ed.dropCategory(11));
    QCOMPARE(ed.names().last(), QStringLiteral("k0"));
    ed.selectCategory(0);
    QVERIFY(ed.remove());
    QVERIFY(ed.remove());
    QCOMPARE(ed.names().size(), 10);
    for (int c = 0; c < PatternGrid::Cols; ++c) {
        QCOMPARE(ed.grid().cell[10][c], QString());
        for (int r = 0; r < PatternGrid::Categories; ++r)
            if (c >= PatternGrid::Patterns) QCOMPARE(ed.grid().cell[r][c], QString());
    }
    QVERIFY(!ed.canAdd(Ed::Categories));   // ten remain
}

void TestExtensionEditor::changeWithoutSelectionIsIndexError()
{
    Ed ed;
    ed.StDat({}, PatternGrid{});
    try {
        ed.selectedText();
        QFAIL("no error");
    } catch (const VarError& e) {
        QCOMPARE(e.message(), QStringLiteral("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています (-1)"));
    }
    Ed one = editorWith({"A"});
    QCOMPARE(one.selectedText(), QStringLiteral("A"));
}

QTEST_MAIN(TestExtensionEditor)
#include "tst_extensioneditor.moc"
