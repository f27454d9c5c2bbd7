#include "CommandLine.h"

#include <QRandomGenerator>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void composesBothModes_data();
    void composesBothModes();
    void splitsByTheWindowsRules_data();
    void splitsByTheWindowsRules();
    void quotedPiecesComeBackWhole_data();
    void quotedPiecesComeBackWhole();
    void randomPiecesSurviveTheRoundTrip();
    void programIsOnlyTheFirstPiece();
};

void TestCommandLine::composesBothModes_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");
    // Direct mode: no trailing blank when there is no option.
    QTest::newRow("direct, no option") << CommandLine::direct("/usr/bin/ed", "") << "/usr/bin/ed";
    QTest::newRow("direct, option") << CommandLine::direct("/usr/bin/ed", "-r") << "/usr/bin/ed -r";
    // File mode: program, file, then the option, one blank between pieces.
    QTest::newRow("file, option after the file")
        << CommandLine::withFile("/tools/ed", "/doc/a.txt", "/r") << "/tools/ed /doc/a.txt /r";
    QTest::newRow("file, no option") << CommandLine::withFile("/tools/ed", "/doc/a.txt", "") << "/tools/ed /doc/a.txt";
    // The test-run dialog's odd targets: empty target keeps its blank(s).
    QTest::newRow("empty target") << CommandLine::withFile("/tools/ed", "", "") << "/tools/ed ";
    QTest::newRow("empty target, option") << CommandLine::withFile("/tools/ed", "", "-x") << "/tools/ed  -x";
    // No program, no command line: the file or the option must never end up
    // first, where it would be taken for the program.
    QTest::newRow("empty path") << CommandLine::withFile("", "/doc/a.txt", "") << "";
    QTest::newRow("empty path, option") << CommandLine::withFile("", "/doc/a.txt", "-r") << "";
    QTest::newRow("blank path") << CommandLine::withFile("   ", "/doc/a.txt", "") << "";
    QTest::newRow("tab and wide blank path") << CommandLine::withFile(QStringLiteral("\t\u3000"), "/d/a", "") << "";
    QTest::newRow("pre-quoted blank path") << CommandLine::withFile("\" \"", "/doc/a.txt", "") << "";
    QTest::newRow("direct, empty path") << CommandLine::direct("", "/doc/a.sh") << "";
    QTest::newRow("direct, blank path") << CommandLine::direct("  ", "-r") << "";
    QTest::newRow("direct, quoted empty path") << CommandLine::direct("\"\"", "/doc/a.sh") << "";
    // Blanks and quotes are what get quoted; the option is never touched.
    QTest::newRow("blanks in program and file")
        << CommandLine::withFile("/opt/my tools/ed", "/home/u/my docs/a b.txt", "--opt \"x y\"")
        << "\"/opt/my tools/ed\" \"/home/u/my docs/a b.txt\" --opt \"x y\"";
    QTest::newRow("quote in file") << CommandLine::withFile("/t/ed", "/d/say \"hi\".txt", "")
                                   << "/t/ed \"/d/say \\\"hi\\\".txt\"";
    QTest::newRow("shell characters without blank stay bare")
        << CommandLine::withFile("/t/ed", "/d/a;b`c`$x.txt", "") << "/t/ed /d/a;b`c`$x.txt";
    QTest::newRow("trailing backslash doubled inside quotes")
        << CommandLine::direct("/a b\\", "") << "\"/a b\\\\\"";
    // A program path the user already quoted as a whole is kept as typed.
    QTest::newRow("pre-quoted program") << CommandLine::direct("\"/opt/my tools/ed\"", "-r")
                                        << "\"/opt/my tools/ed\" -r";
    QTest::newRow("quote inside program is escaped")
        << CommandLine::direct("/opt/a\"b", "") << "\"/opt/a\\\"b\"";
}

void TestCommandLine::composesBothModes()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(line, expected);
}

void TestCommandLine::splitsByTheWindowsRules_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("blanks only") << "  \t " << QStringList{};
    QTest::newRow("runs of blanks") << "  a   b\tc  " << QStringList{"a", "b", "c"};
    QTest::newRow("quotes group") << "\"abc\" d e" << QStringList{"abc", "d", "e"};
    QTest::newRow("backslashes literal") << "a\\\\\\b d\"e f\"g h" << QStringList{"a\\\\\\b", "de fg", "h"};
    QTest::newRow("odd backslashes + quote") << "a\\\\\\\"b c d" << QStringList{"a\\\"b", "c", "d"};
    QTest::newRow("even backslashes + quote") << "a\\\\\\\\\"b c\" d e" << QStringList{"a\\\\b c", "d", "e"};
    QTest::newRow("doubled quote inside quotes") << "a\"b\"\" c d" << QStringList{"ab\" c d"};
    QTest::newRow("empty quoted piece") << "x \"\" y" << QStringList{"x", "", "y"};
    QTest::newRow("unterminated quote") << "a \"b c" << QStringList{"a", "b c"};
    QTest::newRow("shell text is plain") << "sh -c $(touch x);`id`" << QStringList{"sh", "-c", "$(touch", "x);`id`"};
}

void TestCommandLine::splitsByTheWindowsRules()
{
    QFETCH(QString, line);
    QFETCH(QStringList, pieces);
    QCOMPARE(CommandLine::split(line), pieces);
}

void TestCommandLine::quotedPiecesComeBackWhole_data()
{
    QTest::addColumn<QString>("piece");
    for (const char* p : {"plain", "with blank", "tab\there", "x\"quoted\"", "a\\\"b", "trail\\", "trail blank\\",
                          "two\\\\ blanks\\\\", "$(touch x) ; `id` 'q'", "日本語 の 名前.txt", "\\\\\"", " "})
        QTest::newRow(p) << QString::fromUtf8(p);
}

void TestCommandLine::quotedPiecesComeBackWhole()
{
    QFETCH(QString, piece);
    QCOMPARE(CommandLine::split(CommandLine::quote(piece)), QStringList{piece});
    // A blank program path composes no line at all.
    QStringList expected;
    if (!piece.trimmed().isEmpty()) expected = QStringList{piece, piece, "-o"};
    QCOMPARE(CommandLine::split(CommandLine::withFile(piece, piece, "-o")), expected);
}

void TestCommandLine::randomPiecesSurviveTheRoundTrip()
{
    const QString alphabet = QStringLiteral("ab \t\"\\$;`'x");
    QRandomGenerator rng(20261207);
    for (int round = 0; round < 5000; ++round) {
        QString program, file;
        for (QString* s : {&program, &file}) {
            const int len = 1 + int(rng.bounded(12));
            for (int i = 0; i < len; ++i) s->append(alphabet.at(int(rng.bounded(alphabet.size()))));
        }
        // A program path wholly inside quotes is deliberately kept as typed.
        if (program.size() >= 2 && program.startsWith('"') && program.endsWith('"') && program.count('"') == 2)
            continue;
        const QString line = CommandLine::withFile(program, file, QString());
        if (program.trimmed().isEmpty()) {
            QVERIFY(line.isEmpty());
            continue;
        }
        QCOMPARE(CommandLine::split(line), (QStringList{program, file}));
        QCOMPARE(CommandLine::program(line), program);
    }
}

// What a launcher takes for the program: the first piece when the line starts
// with it, never a later piece moved up by leading blanks.
void TestCommandLine::programIsOnlyTheFirstPiece()
{
    QCOMPARE(CommandLine::program("/bin/ed /doc/a.txt -r"), QStringLiteral("/bin/ed"));
    QCOMPARE(CommandLine::program("\"/opt/my tools/ed\" x"), QStringLiteral("/opt/my tools/ed"));
    QCOMPARE(CommandLine::program(CommandLine::direct("\"/opt/my tools/ed\"", "-r")),
             QStringLiteral("/opt/my tools/ed"));
    for (const QString& line : {QString(), QStringLiteral(" "), QStringLiteral(" /doc/a.txt"),
                                QStringLiteral("\t/doc/a.txt -r"), QStringLiteral("\"\" /doc/a.txt"),
                                QStringLiteral("\" \t\" /doc/a.txt"), QStringLiteral("\u3000/doc/a.txt")})
        QVERIFY2(CommandLine::program(line).isEmpty(), qPrintable(line));

    QVERIFY(CommandLine::hasProgram("/bin/ed"));
    QVERIFY(CommandLine::hasProgram(" /bin/ed"));   // odd, but not blank: it is tried and fails
    QVERIFY(CommandLine::hasProgram("\"\"\""));      // a lone quote character is a name
    for (const QString& path : {QString(), QStringLiteral("  "), QStringLiteral("\"\""), QStringLiteral("\" \"")})
        QVERIFY2(!CommandLine::hasProgram(path), qPrintable(path));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
