// The working copy of the registration dialog: opening, provisional
// registration, reset, what "決定" hands on and what "設定の保存" writes.
#include "AppSlotsEditor.h"
#include "CoreSupport.h"
#include "LineBuffer.h"
#include "TColor.h"

#include <QtTest>

namespace {
const QString kUnreg = QStringLiteral("（未登録）");

QImage solid(const QColor& c, int side = 17)
{
    QImage img(side, side, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QColor at(const QImage& img, int x = 8, int y = 8) { return img.pixelColor(x, y); }
QColor btnFace() { return TColor::toQColor(TColor::BtnFace); }

// A small red square on a transparent 17 x 17 image, as a program's icon.
QImage icon()
{
    QImage img(17, 17, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    for (int y = 6; y < 11; ++y)
        for (int x = 6; x < 11; ++x) img.setPixelColor(x, y, Qt::red);
    return img;
}

AppSlots::Table table()
{
    AppSlots::Table t;
    t.setTexts(1, {QString(), "/bin/one", ""});             // registered, but no title
    t.setTexts(2, {"Two", "", ""});                         // no path
    t.setTexts(3, {"Three", "/bin/three", "-3"});
    t.setIcon(3, solid(Qt::green));
    t.setTexts(4, {kUnreg, "/left/over", "-z"});            // unregistered with texts
    t.setIcon(5, solid(Qt::yellow, 32));
    return t;
}
} // namespace

class TestAppSlotsEditor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingCopiesTextsAndNonEmptyIcons()
    {
        AppSlotsEditor ed;
        QCOMPARE(ed.row(1).title, QString());   // nothing opened yet: empty rows
        QVERIFY(ed.picture(1).isNull());
        ed.copyFrom(table());
        QCOMPARE(ed.row(3).title, QStringLiteral("Three"));
        QCOMPARE(ed.row(3).option, QStringLiteral("-3"));
        QCOMPARE(ed.row(4).path, QStringLiteral("/left/over"));
        QCOMPARE(ed.row(5).title, kUnreg);
        QCOMPARE(at(ed.picture(3)), QColor(Qt::green));
        // An icon of another size is copied at (0, 0) and cut at 17 x 17.
        QCOMPARE(ed.picture(5).size(), QSize(17, 17));
        QCOMPARE(at(ed.picture(5), 16, 16), QColor(Qt::yellow));
        QVERIFY(ed.picture(1).isNull());

        // A slot without an icon leaves the row's picture as it was.
        AppSlots::Table other;
        ed.copyFrom(other);
        QCOMPARE(ed.row(3).title, kUnreg);
        QCOMPARE(at(ed.picture(3)), QColor(Qt::green));
        QCOMPARE(ed.row(0).title, QString());   // out of range: an empty row
    }

    void firstRowWithProgramNeedsTitleAndPath()
    {
        AppSlotsEditor ed;
        ed.copyFrom(table());
        QCOMPARE(ed.firstRowWithProgram(), 3);
        AppSlotsEditor none;
        QCOMPARE(none.firstRowWithProgram(), 0);
    }

    void previewFollowsTheSelectedRow()
    {
        AppSlotsEditor ed;
        ed.copyFrom(table());
        ed.selectedToPreview();   // nothing selected: nothing drawn
        QVERIFY(ed.preview().isNull());
        ed.select(3);
        ed.selectedToPreview();
        QCOMPARE(at(ed.preview()), QColor(Qt::green));
        ed.select(4);
        ed.selectedToPreview();
        QCOMPARE(at(ed.preview()), btnFace());
        ed.select(9);
        QCOMPARE(ed.selected(), 0);
    }

    void provisionalRegistrationTakesFieldsAndPreview()
    {
        AppSlotsEditor ed;
        ed.copyFrom(table());
        QVERIFY(!ed.provisional({"New", "/bin/new", "-n"}));
        QCOMPARE(ed.row(2).title, QStringLiteral("Two"));

        ed.select(2);
        ed.clearPreview();
        ed.drawOnPreview(icon());
        QVERIFY(ed.provisional({"New", "/bin/new", "-n"}));
        QCOMPARE(ed.row(2).title, QStringLiteral("New"));
        QCOMPARE(ed.row(2).path, QStringLiteral("/bin/new"));
        QCOMPARE(at(ed.picture(2)), QColor(Qt::red));
        QCOMPARE(at(ed.picture(2), 0, 0), btnFace());
        QCOMPARE(ed.picture(2), ed.preview());

        // No icon: the row's picture is the blank preview.
        ed.select(3);
        ed.clearPreview();
        ed.drawOnPreview(QImage());
        ed.provisional({"", "/no/such", ""});
        QCOMPARE(at(ed.picture(3)), btnFace());
    }

    void resetEmptiesTheRowAndTellsWhetherItWasSelected()
    {
        AppSlotsEditor ed;
        ed.copyFrom(table());
        ed.select(3);
        QVERIFY(!ed.reset(1));
        QVERIFY(ed.reset(3));
        QVERIFY(!ed.reset(6));
        QCOMPARE(ed.row(3).title, kUnreg);
        QVERIFY(ed.row(3).path.isEmpty() && ed.row(3).option.isEmpty());
        QCOMPARE(at(ed.picture(3)), btnFace());
        QCOMPARE(at(ed.picture(1)), btnFace());   // an empty picture becomes a blank one
    }

    void confirmedRowsAndDirectLaunching()
    {
        AppSlotsEditor ed;
        ed.copyFrom(table());
        const AppSlots::Slot three = ed.confirmed(3);
        QVERIFY(three.registered());
        QCOMPARE(three.path, QStringLiteral("/bin/three"));
        QCOMPARE(at(three.icon), QColor(Qt::green));
        // Unregistered: the title goes on, path and option do not.
        const AppSlots::Slot four = ed.confirmed(4);
        QVERIFY(!four.registered());
        QCOMPARE(four.title, kUnreg);
        QVERIFY(four.path.isEmpty() && four.option.isEmpty());
        QCOMPARE(ed.unregisteredCount(), 2);
        for (int n = 1; n <= 5; ++n) ed.reset(n);
        QCOMPARE(ed.unregisteredCount(), 5);
    }

    void saveWritesTheRows()
    {
        TempFolder t(false);
        AppSlotsEditor ed;
        ed.copyFrom(table());
        ed.save(t.settingsDir());
        QCOMPARE(t.readFile("appitems.cfg"),
                 crlf({"", "/bin/one", "", "Two", "", "", "Three", "/bin/three", "-3", kUnreg, "/left/over", "-z",
                       kUnreg, "", ""}));
        QCOMPARE(at(AppSlots::loadBitmap(t.path("IconImg3.bmp"))), QColor(Qt::green));
        // Rows without a picture are saved blank.
        QCOMPARE(at(AppSlots::loadBitmap(t.path("IconImg1.bmp"))), btnFace());
    }
};

QTEST_MAIN(TestAppSlotsEditor)
#include "tst_appslotseditor.moc"
