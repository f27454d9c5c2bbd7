// The main window and its dialogs write back the settings lines they did not
// change with exactly the bytes they were read with.
#include "Forms.h"
#include "MainControls.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QtTest>

namespace {
// Lines that a decode and encode again would change: bytes that are no CP932
// character, NEC-selected IBM codes and NEC twins of common signs.
const QByteArray kOdd1("\xED\x40\xED\x41 \x87\x90\xA0");
const QByteArray kOdd2("\xEE\xF9\x87\x54 \xFF\x81");

QByteArray lines(const QList<QByteArray>& l)
{
    QByteArray out;
    for (const QByteArray& x : l) out += x + "\r\n";
    return out;
}
} // namespace

class TestSettingsBytes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mainSettingsKeepTheFontName()
    {
        TestEnv t;
        const QByteArray cfg = lines({"Vardolin Ver 1.05", "150", "120", "700", "500", "0", kOdd1, "11",
                                      "-2147483640", "12632256", "0", "1", "140"});
        t.writeFile(QStringLiteral("appcfgs.cfg"), cfg);
        TForm1 w(t.env());
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
        QVERIFY(ui(w).REdit->fontFace().contains(QStringLiteral("\u7E8A")));
        w.FormClose();
        QCOMPARE(t.readFile(QStringLiteral("appcfgs.cfg")), cfg);
    }

    void extensionAndApplicationDialogsSaveWhatTheyRead()
    {
        TestEnv t;
        QByteArray ext = lines({kOdd1, "\xC3\xB7\xBD\xC4", "**", "*.\x83\x5C", "*." + kOdd2, "**", kOdd2, "**"});
        for (int r = 2; r < 10; ++r) ext += "**\r\n";
        ext += "***\r\n";
        t.writeFile(QStringLiteral("exitem.cfg"), ext);
        const QByteArray items = lines({kOdd1, "/bin/" + kOdd2, "-o " + kOdd1, "\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A",
                                        kOdd2, "", "t", "p", "", "\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A", "", "",
                                        "\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A", "", ""});
        t.writeFile(QStringLiteral("appitems.cfg"), items);

        TForm1 w(t.env());
        createForms(w);
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
        QCOMPARE(ui(w).ChBox1->count(), 2);

        ui(w).Form2->show();
        ui(w).Form2->TagsSave();
        ui(w).Form2->hide();
        QCOMPARE(t.readFile(QStringLiteral("exitem.cfg")), ext);

        ui(w).Form4->copyFromMain();
        ui(w).Form4->FormShow();
        ui(w).Form4->Button3Click();
        QCOMPARE(t.readFile(QStringLiteral("appitems.cfg")), items);
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join('|')));
    }
};

QTEST_MAIN(TestSettingsBytes)
#include "tst_settingsbytes.moc"
