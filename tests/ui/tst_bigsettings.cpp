// Settings files far bigger than anything the program writes: the main window's
// three loaders read them in a few megabytes, and the lines they use mean what
// they mean in a small file.
#include "MainControls.h"
#include "TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QtTest>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// The sanitizer's shadow memory takes terabytes of address space, so under it
// the limit cannot be set; the reading is checked all the same.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCanLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCanLimitAddressSpace = false;
#else
constexpr bool kCanLimitAddressSpace = true;
#endif
#else
constexpr bool kCanLimitAddressSpace = true;
#endif

// Address space the process has mapped now.
qint64 addressSpaceInUse()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmSize:")) return line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// While it lives, the process can map at most `extra` bytes more than it has.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(qint64 extra)
    {
        if (!kCanLimitAddressSpace) return;
        const qint64 used = addressSpaceInUse();
        if (used <= 0 || ::getrlimit(RLIMIT_AS, &m_old) != 0) return;
        struct rlimit limit = m_old;
        limit.rlim_cur = static_cast<rlim_t>(used + extra);
        m_set = ::setrlimit(RLIMIT_AS, &limit) == 0;
    }
    ~AddressSpaceLimit()
    {
        if (m_set) ::setrlimit(RLIMIT_AS, &m_old);
    }
    bool active() const { return m_set; }
    AddressSpaceLimit(const AddressSpaceLimit&) = delete;
    AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

private:
    struct rlimit m_old {};
    bool m_set = false;
};

// `head`, then `unit` repeated to about `filled` bytes, then `tail`; the file is
// then made `size` bytes long (the rest a hole that reads as NUL bytes).
void writeBig(const QString& path, const QByteArray& head, const QByteArray& unit, qint64 filled,
              const QByteArray& tail = {}, qint64 size = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(f.write(head) == head.size());
    const QByteArray block = unit.repeated((1 << 20) / unit.size());
    for (qint64 done = 0; done < filled; done += block.size()) QVERIFY(f.write(block) == block.size());
    QVERIFY(f.write(tail) == tail.size());
    f.close();
    if (size > 0) QVERIFY(::truncate(QFile::encodeName(path).constData(), size) == 0);
}

constexpr qint64 MB = 1024 * 1024;

} // namespace

class TestBigSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bigFilesAreReadInBoundedMemory()
    {
        TestEnv t;
        TForm1 f(t.env());
        QVERIFY(t.messages.log.isEmpty());

        // appcfgs.cfg: its 13 lines, then 70 MB of short lines, then a hole up
        // to 300 MB.
        const QByteArray settings = "Vardolin Ver 1.05\r\n150\r\n120\r\n700\r\n500\r\n1\r\nMonospace\r\n13\r\n"
                                    "255\r\n65280\r\n0\r\n1\r\n140\r\n";
        writeBig(t.path(QStringLiteral("appcfgs.cfg")), settings, "1\r\n", 70 * MB, {}, 300 * MB);
        // exitem.cfg: 12 names, the separator, a block of 25 patterns, then
        // 60 MB of empty blocks and the end line: the markers far from the
        // start are found, and what does not fit is dropped.
        QByteArray table;
        for (int i = 0; i < 12; ++i) table += "cat" + QByteArray::number(i) + "\r\n";
        table += "**\r\n";
        for (int i = 0; i < 25; ++i) table += "*.p" + QByteArray::number(i) + "\r\n";
        table += "**\r\n*.second\r\n**\r\n";
        writeBig(t.path(QStringLiteral("exitem.cfg")), table, "**\r\n", 60 * MB, "***\r\nafter\r\n");
        // appitems.cfg: five unregistered slots, then 70 MB of lines and a hole.
        QByteArray items;
        for (int n = 1; n <= 5; ++n)
            items += "\x81\x69\x96\xA2\x93\x6F\x98\x5E\x81\x6A\r\n/bin/p" + QByteArray::number(n) + "\r\n-o\r\n";
        writeBig(t.path(QStringLiteral("appitems.cfg")), items, "x\r\n", 70 * MB, {}, 300 * MB);

        {
            const AddressSpaceLimit limit(64 * MB);
            QVERIFY(limit.active() || !kCanLimitAddressSpace);
            f.LoadSet();
            f.TagsLoad();
            f.LoadAppItem();
        }
        QVERIFY2(t.messages.log.isEmpty(), qPrintable(t.messages.texts().join(QLatin1Char('|'))));

        QCOMPARE(f.listWidth(), 140);
        QCOMPARE(ui(f).REdit->fontSize(), 13);
        QCOMPARE(ui(f).ChBox1->count(), 10);
        QCOMPARE(ui(f).ChBox1->itemText(9), QStringLiteral("cat9"));
        QCOMPARE(f.patternGrid().visiblePatterns(0).size(), 20);
        QCOMPARE(f.patternGrid().visiblePatterns(0).last(), QStringLiteral("*.p19"));
        QCOMPARE(f.patternGrid().visiblePatterns(1), QStringList{QStringLiteral("*.second")});
        QCOMPARE(f.patternGrid().visiblePatterns(2), QStringList{});
        for (int n = 1; n <= 5; ++n) QCOMPARE(f.slotTable().at(n).path, QStringLiteral("/bin/p%1").arg(n));
        QCOMPARE(f.slotTable().at(5).title, QStringLiteral("（未登録）"));
    }
};

QTEST_MAIN(TestBigSettings)
#include "tst_bigsettings.moc"
