// The main window's state: what each change does to it and what it reports,
// for the window's controls to mirror.
#include "MainState.h"
#include "TColor.h"

#include <QtTest>

namespace {

QString pair(const ViewColors& c) { return QString::number(c.text) + "/" + QString::number(c.background); }

// Every report of the state, in order.
struct Reports {
    explicit Reports(MainState& s)
    {
        auto add = [this](const QString& text) { log << text; };
        auto num = [](auto v) { return QString::number(int(v)); };
        QObject::connect(&s, &MainState::folderChanged, [=](const QString& f) { add("folder " + f); });
        QObject::connect(&s, &MainState::categoriesChanged, [=](const QStringList& n) { add("categories " + n.join(',')); });
        QObject::connect(&s, &MainState::categoryChanged, [=](int i) { add("category " + num(i)); });
        QObject::connect(&s, &MainState::patternsChanged, [=](const QStringList& p) { add("patterns " + p.join(',')); });
        QObject::connect(&s, &MainState::patternIndexChanged, [=](int i) { add("pattern " + num(i)); });
        QObject::connect(&s, &MainState::directAvailableChanged, [=](bool b) { add("available " + num(b)); });
        QObject::connect(&s, &MainState::directOnChanged, [=](bool b) { add("on " + num(b)); });
        QObject::connect(&s, &MainState::wordWrapChanged, [=](bool b) { add("wrap " + num(b)); });
        QObject::connect(&s, &MainState::paneColorsChanged, [=](const ViewColors& c) { add("pane " + pair(c)); });
        QObject::connect(&s, &MainState::controlColorsApplied, [=](const ViewColors& c) { add("controls " + pair(c)); });
    }
    QStringList log;
};

// One step, "name" or "name=value": what a click, a key, a menu, a screen
// reader or a dialog would do to the state.
void step(MainState& s, const QString& text)
{
    const QString name = text.section('=', 0, 0), value = text.section('=', 1);
    const QStringList list = value.isEmpty() ? QStringList() : value.split(',');
    if (name == "folder") s.setFolder(value);
    else if (name == "categories") s.setCategories(list);
    else if (name == "category") s.setCategory(value.toInt());
    else if (name == "patterns") s.setPatterns(list);
    else if (name == "pattern") s.setPatternIndex(value.toInt());
    else if (name == "first") s.chooseFirstCategoryAndPattern();
    else if (name == "available") s.setDirectAvailable(value == "1");
    else if (name == "on") s.setDirectOn(value == "1");
    else if (name == "toggleDirect") s.toggleDirect();
    else if (name == "wrap") s.setWordWrap(value == "1");
    else if (name == "toggleWrap") s.toggleWordWrap();
    else if (name == "view") s.setViewColors({value.section('/', 0, 0).toInt(), value.section('/', 1).toInt()});
    else if (name == "apply") s.applyViewColors();
    else if (name == "paneText") s.setPaneTextColor(value.toInt());
    else QFAIL(qPrintable("unknown step " + text));
}

// The whole state in one line.
QString describe(const MainState& s)
{
    const auto controls = s.controlColors();
    return QStringLiteral("folder=%1 category=%2 pattern=%3:%4 direct=%5%6>%7 wrap=%8 view=%9 pane=%10 controls=%11")
        .arg(s.folder())
        .arg(s.category())
        .arg(s.patternIndex())
        .arg(s.pattern())
        .arg(int(s.directAvailable()))
        .arg(int(s.directOn()))
        .arg(int(s.directLaunch()))
        .arg(int(s.wordWrap()))
        .arg(pair(s.viewColors()), pair(s.paneColors()), controls ? pair(*controls) : QStringLiteral("none"));
}

const QString kStart = "folder= category=-1 pattern=-1: direct=00>0 wrap=0 view=0/16777215 pane=0/16777215 controls=none";

} // namespace

class TestMainState : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void changes_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("state");
        const QString wt = QString::number(TColor::WindowText);

        QTest::newRow("what the state already holds reports nothing")
            << QStringList{"folder=", "category=-1", "category=3", "pattern=0", "available=0", "on=0", "wrap=0",
                           "first", "view=0/16777215", "paneText=0", "categories=", "patterns="}
            << QStringList{} << kStart;
        QTest::newRow("a typed folder, unconfirmed, is the folder")
            << QStringList{"folder=/doc", "folder=/doc", "folder=/doc/"}
            << QStringList{"folder /doc", "folder /doc/"} << QString(kStart).replace("folder=", "folder=/doc/");
        QTest::newRow("direct on while unavailable launches with the file until it is available")
            << QStringList{"on=1", "available=1", "available=0"}
            << QStringList{"on 1", "available 1", "available 0"}
            << QString(kStart).replace("direct=00>0", "direct=01>0");
        QTest::newRow("menu items turn direct launching over")
            << QStringList{"available=1", "toggleDirect", "toggleDirect", "toggleDirect"}
            << QStringList{"available 1", "on 1", "on 0", "on 1"}
            << QString(kStart).replace("direct=00>0", "direct=11>1");
        QTest::newRow("word wrap turned over from either menu")
            << QStringList{"toggleWrap", "wrap=1", "toggleWrap"} << QStringList{"wrap 1", "wrap 0"} << kStart;
        QTest::newRow("new category names drop the choice first")
            << QStringList{"categories=Text,Web", "category=1", "categories=Docs"}
            << QStringList{"categories Text,Web", "category 1", "category -1", "categories Docs"} << kStart;
        QTest::newRow("the same names again still drop the choice")
            << QStringList{"categories=Text,Web", "category=1", "categories=Text,Web"}
            << QStringList{"categories Text,Web", "category 1", "category -1"} << kStart;
        QTest::newRow("an index out of range chooses none")
            << QStringList{"categories=Text", "category=0", "category=1", "category=0", "category=-5"}
            << QStringList{"categories Text", "category 0", "category -1", "category 0", "category -1"} << kStart;
        QTest::newRow("the chosen pattern's text, none after a refill")
            << QStringList{"patterns=*.txt,*.md", "pattern=1", "patterns=*.c"}
            << QStringList{"patterns *.txt,*.md", "pattern 1", "pattern -1", "patterns *.c"} << kStart;
        QTest::newRow("first category and pattern, as at start-up")
            << QStringList{"categories=Text,Web", "patterns=*.txt,*.md", "first"}
            << QStringList{"categories Text,Web", "patterns *.txt,*.md", "category 0", "pattern 0"}
            << QString(kStart).replace("category=-1 pattern=-1:", "category=0 pattern=0:*.txt");
        QTest::newRow("a category without patterns leaves the pattern empty")
            << QStringList{"categories=Text", "first"} << QStringList{"categories Text", "category 0"}
            << QString(kStart).replace("category=-1", "category=0");
        QTest::newRow("view colours change no control until applied")
            << QStringList{"view=255/65280"} << QStringList{}
            << QString(kStart).replace("view=0/16777215", "view=255/65280");
        QTest::newRow("applying colours every control, also when unchanged")
            << QStringList{"view=255/65280", "apply", "apply"}
            << QStringList{"controls 255/65280", "pane 255/65280", "controls 255/65280"}
            << "folder= category=-1 pattern=-1: direct=00>0 wrap=0 view=255/65280 pane=255/65280 controls=255/65280";
        QTest::newRow("a chosen font's window-text colour lasts until the next applying")
            << QStringList{"view=255/65280", "apply", "paneText=" + wt, "view=1/2"}
            << QStringList{"controls 255/65280", "pane 255/65280", "pane " + wt + "/65280"}
            << "folder= category=-1 pattern=-1: direct=00>0 wrap=0 view=1/2 pane=" + wt +
                   "/65280 controls=255/65280";
        QTest::newRow("applying again brings the view colours back to the pane")
            << QStringList{"paneText=" + wt, "apply"}
            << QStringList{"pane " + wt + "/16777215", "controls 0/16777215", "pane 0/16777215"}
            << "folder= category=-1 pattern=-1: direct=00>0 wrap=0 view=0/16777215 pane=0/16777215 "
               "controls=0/16777215";
    }

    void changes()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, reports);
        QFETCH(QString, state);
        MainState s;
        Reports seen(s);
        for (const QString& text : steps) step(s, text);
        QCOMPARE(seen.log, reports);
        QCOMPARE(describe(s), state);
    }
};

QTEST_GUILESS_MAIN(TestMainState)
#include "tst_mainstate.moc"
