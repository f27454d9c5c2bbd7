// Icons of programs: launcher files, executables known to the icon theme, and
// the fallback to the file-type icon. A small theme of our own makes the
// answers independent of the machine's themes.
#include "Platform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void writePng(const QString& path, const QColor& c)
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(c);
    QVERIFY(img.save(path, "PNG"));
}

void writeFile(const QString& path, const QByteArray& bytes, bool executable = false)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}

QRgb centre(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16), 1.0).toImage().pixel(8, 8);
}
} // namespace

class TestProgramIcon : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString p(const QString& name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("icons/vtest/16x16/apps"));
        writeFile(p(QStringLiteral("icons/vtest/index.theme")),
                  "[Icon Theme]\nName=vtest\nDirectories=16x16/apps\n\n"
                  "[16x16/apps]\nSize=16\nType=Fixed\n");
        writePng(p(QStringLiteral("icons/vtest/16x16/apps/vtprog.png")), Qt::red);
        writePng(p(QStringLiteral("icons/vtest/16x16/apps/vtdesk.png")), Qt::blue);
        writePng(p(QStringLiteral("green.png")), Qt::green);
        QIcon::setThemeSearchPaths({p(QStringLiteral("icons"))});
        QIcon::setThemeName(QStringLiteral("vtest"));
    }

    void launcherFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QRgb>("colour");   // 0: the fallback icon
        const QRgb blue = QColor(Qt::blue).rgb();
        QTest::newRow("theme name") << QByteArray("[Desktop Entry]\nType=Application\nIcon=vtdesk\n") << blue;
        QTest::newRow("name with extension") << QByteArray("[Desktop Entry]\nIcon = vtdesk.png\n") << blue;
        QTest::newRow("absolute file")
            << QByteArray("[Desktop Entry]\nIcon=" + p(QStringLiteral("green.png")).toUtf8() + "\n")
            << QColor(Qt::green).rgb();
        QTest::newRow("translated key and other groups ignored")
            << QByteArray("[Desktop Action x]\nIcon=vtprog\n[Desktop Entry]\nIcon[ja]=vtprog\nIconic=vtprog\n"
                          "Icon=vtdesk\n")
            << blue;
        QTest::newRow("unknown name") << QByteArray("[Desktop Entry]\nIcon=no-such-icon-anywhere\n") << QRgb(0);
        QTest::newRow("missing file") << QByteArray("[Desktop Entry]\nIcon=/no/such/icon.png\n") << QRgb(0);
        QTest::newRow("no entry group") << QByteArray("Icon=vtdesk\n") << QRgb(0);
        QTest::newRow("binary junk") << QByteArray("\0\xff\xfe[Desktop Entry\nIcon", 20) << QRgb(0);
    }
    void launcherFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QRgb, colour);
        const QString file = p(QStringLiteral("app.desktop"));
        writeFile(file, content);
        RealPlatform platform;
        const QIcon icon = platform.programIcon(file);
        QVERIFY(!icon.isNull());
        if (colour)
            QCOMPARE(centre(icon), colour);
        else
            QCOMPARE(centre(icon), centre(platform.fileIcon(file)));
    }

    void executables()
    {
        RealPlatform platform;
        const QRgb red = QColor(Qt::red).rgb();
        QDir(m_dir.path()).mkpath(QStringLiteral("bin"));
        const QString prog = p(QStringLiteral("bin/vtprog"));
        writeFile(prog, "#!/bin/sh\n", true);
        QCOMPARE(centre(platform.programIcon(prog)), red);

        // Through a link with another name, the program it points to.
        const QString link = p(QStringLiteral("bin/editor"));
        QVERIFY(QFile::link(prog, link));
        QCOMPARE(centre(platform.programIcon(link)), red);

        // Not executable: a plain file of that name, not the program.
        const QString data = p(QStringLiteral("vtprog"));
        writeFile(data, "text");
        QVERIFY(centre(platform.programIcon(data)) != red);
        QVERIFY(!platform.programIcon(data).isNull());

        // Unknown to the theme: never null, whatever the file is.
        const QString other = p(QStringLiteral("bin/unknown-tool"));
        writeFile(other, "#!/bin/sh\n", true);
        QVERIFY(!platform.programIcon(other).isNull());
        QVERIFY(!platform.programIcon(p(QStringLiteral("bin"))).isNull());
        QVERIFY(!platform.programIcon(p(QStringLiteral("nothing-here.txt"))).isNull());
    }
};

QTEST_MAIN(TestProgramIcon)
#include "tst_programicon.moc"
