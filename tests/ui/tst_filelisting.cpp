// The file list filled by a listing that comes in batches, as the search
// beside the event loop hands its names over.
#include "BigTextJobs.h"
#include "FileListModel.h"
#include "FileListRig.h"
#include "MainControls.h"
#include "TestSupport.h"

#include <QDir>
#include <QSet>
#include <QtTest>


class TstFileListing : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void batchesFillTheListInOrder_data();
    void batchesFillTheListInOrder();
    void newListingDropsTheOldOne_data();
    void newListingDropsTheOldOne();
    void failedListingKeepsWhatCame();
    void listingOnTheWorkers();

private:
    QString home() const { return m_folder.home(); }
    QString start() const { return m_folder.start(); }

    FileListFolder m_folder;
};

void TstFileListing::init() { m_folder.reset(); }

using Batches = QList<QStringList>;

void TstFileListing::batchesFillTheListInOrder_data()
{
    QTest::addColumn<Batches>("batches");
    QTest::addColumn<QStringList>("sorted");
    const QStringList four{".hidden.txt", "A.TXT", "b.txt", "c.txt"};
    QTest::newRow("one batch") << Batches{{"c.txt", "b.txt", "A.TXT", ".hidden.txt"}} << four;
    QTest::newRow("interleaved") << Batches{{"c.txt", "A.TXT"}, {"b.txt", ".hidden.txt"}} << four;
    QTest::newRow("one by one, backwards") << Batches{{"c.txt"}, {"b.txt"}, {"A.TXT"}, {".hidden.txt"}} << four;
    QTest::newRow("before, between, after") << Batches{{"m.txt", "n.txt"}, {"a.txt", "N1.txt", "z.txt", "B.txt"}}
                                            << QStringList{"a.txt", "B.txt", "m.txt", "n.txt", "N1.txt", "z.txt"};
    QTest::newRow("case alone differs") << Batches{{"a.txt"}, {"A.txt", "b.txt"}}
                                        << QStringList{"A.txt", "a.txt", "b.txt"};
    QTest::newRow("an empty batch") << Batches{{}, {"b.txt"}} << QStringList{"b.txt"};
}

// The list holds what has come so far in its final order at every moment; an
// item picked while the list fills stays picked and keeps its caption.
void TstFileListing::batchesFillTheListInOrder()
{
    QFETCH(Batches, batches);
    QFETCH(QStringList, sorted);
    m_folder.env->platform.holdListings = true;
    TForm1 w(m_folder.env->env());
    QCOMPARE(m_folder.env->platform.listings.size(), 1);
    const auto listing = m_folder.env->platform.listings.last();
    QCOMPARE(listing->folder, start());
    QCOMPARE(listing->pattern, QStringLiteral("*.txt"));
    QVERIFY(w.listing());
    QCOMPARE(ui(w).LView->cursor().shape(), Qt::BusyCursor);
    QCOMPARE(listed(w), QStringList{});
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));

    QSet<QString> delivered;
    QString picked;
    for (const QStringList& batch : batches) {
        listing->deliver(batch);
        for (const QString& n : batch) delivered.insert(n);
        QStringList soFar;
        for (const QString& n : sorted)
            if (delivered.contains(n)) soFar << n;
        // A batch that comes while the list takes one in waits for the next
        // turn of the event loop.
        QTRY_COMPARE(listed(w), soFar);
        if (picked.isEmpty() && !soFar.isEmpty()) {
            picked = soFar.last();
            ui(w).LView->selectionModel()->setCurrentIndex(ui(w).LViewModel->index(int(soFar.size()) - 1),
                                                          QItemSelectionModel::ClearAndSelect);
            QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - ") + picked);
        }
        const QModelIndexList selected = ui(w).LView->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), picked.isEmpty() ? 0 : 1);
        if (!picked.isEmpty()) QCOMPARE(selected.first().data(FileListModel::NameRole).toString(), picked);
    }
    QVERIFY(w.listing());
    listing->end();
    QTRY_VERIFY(!w.listing());
    QVERIFY(!ui(w).LView->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(listed(w), sorted);
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - ") + picked);
    QCOMPARE(w.panelText(1), picked);
    QCOMPARE(m_folder.env->messages.log.size(), 0);
    // The items are as wide as the widest name that came.
    int widest = 0;
    for (const QString& n : sorted) widest = std::max(widest, ui(w).LView->fontMetrics().horizontalAdvance(n));
    QVERIFY(ui(w).LViewModel->itemSize().width() >= 17 + widest);
}

void TstFileListing::newListingDropsTheOldOne_data()
{
    QTest::addColumn<QString>("by");
    QTest::newRow("pattern") << "pattern";
    QTest::newRow("category") << "category";
    QTest::newRow("folder typed") << "folder typed";
    QTest::newRow("folder picked") << "folder picked";
}

// What the listing before still brings, names or its end or an error, is
// dropped; the list shows only the new one's names.
void TstFileListing::newListingDropsTheOldOne()
{
    QFETCH(QString, by);
    m_folder.env->platform.holdListings = true;
    TForm1 w(m_folder.env->env());
    const auto first = m_folder.env->platform.listings.last();
    first->deliver({"b.txt"});
    pickInList(w, start(), listed(w), "b.txt");
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin - b.txt"));

    QString status;
    TOKButtonState ok = obsDisabled;
    if (by == "pattern") {
        Q_EMIT ui(w).ChBox2->activated(1);
    } else if (by == "category") {
        ui(w).ChBox1->setCurrentIndex(4);
        Q_EMIT ui(w).ChBox1->activated(4);
    } else if (by == "folder typed") {
        ui(w).Edit1->setText(home());
        w.Edit1KeyPress(QChar(13));
    } else {
        w.FolderDlgSelectionChanged(ui(w).FolderDlg, 0, home(), status, ok);
    }
    QCOMPARE(m_folder.env->platform.listings.size(), 2);
    QVERIFY(first->dropped);
    const auto second = m_folder.env->platform.listings.last();
    QVERIFY(!second->dropped);
    QVERIFY(w.listing());
    QCOMPARE(listed(w), QStringList{});
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
    QCOMPARE(w.panelText(1), QString());

    first->deliver({"late.txt"});
    first->end(QStringLiteral("late failure"));
    QCOMPARE(listed(w), QStringList{});
    QVERIFY(w.listing());
    second->deliver({"new.txt"});
    first->deliver({"later.txt"});
    second->deliver({"newer.txt"});
    second->end();
    first->deliver({"latest.txt"});
    QTRY_VERIFY(!w.listing());
    QCOMPARE(listed(w), (QStringList{"new.txt", "newer.txt"}));
    QCOMPARE(m_folder.env->messages.log.size(), 0);
}

// A search that fails part-way shows its error as any handler's error is
// shown; the names found before it stay.
void TstFileListing::failedListingKeepsWhatCame()
{
    m_folder.env->platform.holdListings = true;
    TForm1 w(m_folder.env->env());
    const auto listing = m_folder.env->platform.listings.last();
    listing->deliver({"b.txt", "A.TXT"});
    listing->end(QStringLiteral("search failed"));
    QCOMPARE(m_folder.env->messages.texts(), QStringList{QStringLiteral("search failed.")});
    QCOMPARE(m_folder.env->messages.log.first().kind, RecordedMessage::Error);
    QCOMPARE(listed(w), (QStringList{"A.TXT", "b.txt"}));
    QVERIFY(!w.listing());
    QVERIFY(!ui(w).LView->testAttribute(Qt::WA_SetCursor));
    QCOMPARE(w.windowTitle(), QStringLiteral("Vardolin"));
}

// The real search on the pool's workers, waited for as it ends.
void TstFileListing::listingOnTheWorkers()
{
    m_folder.env->platform.realListings = true;
    {
        TForm1 w(m_folder.env->env());
        QTRY_VERIFY(!w.listing());
        QCOMPARE(listed(w), (QStringList{".hidden.txt", "A.TXT", "b.txt", "c.txt"}));

        // The test of a path typed without its separator runs on the worker too.
        touch(home() + "/ﾃﾞｽｸﾄｯﾌﾟmemo.txt");
        touch(home() + "/ﾃﾞｽｸﾄｯﾌﾟﾃﾞｽｸﾄｯﾌﾟmemo.txt");
        ui(w).Edit1->setText(home() + "/ﾃﾞｽｸﾄｯﾌﾟ");
        w.ChBox2Change();
        QTRY_VERIFY(!w.listing());
        QCOMPARE(listed(w), QStringList{"ﾃﾞｽｸﾄｯﾌﾟmemo.txt"});

        // A folder gone: an empty list and no message.
        ui(w).Edit1->setText(home() + "/missing/");
        w.STItem();
        QTRY_VERIFY(!w.listing());
        QCOMPARE(listed(w), QStringList{});
        QCOMPARE(m_folder.env->messages.log.size(), 0);
    }
    // A window closed while its listing waits for a worker: the listing goes
    // with it, and nothing reaches the window afterwards.
    {
        BigTextWorkers::Hold hold;
        auto w = std::make_unique<TForm1>(m_folder.env->env());
        QVERIFY(w->listing());
        w.reset();
    }
    QVERIFY(BigTextWorkers::waitIdle(10000));
    QCoreApplication::processEvents();
    QCOMPARE(m_folder.env->messages.log.size(), 0);
}

QTEST_MAIN(TstFileListing)
#include "tst_filelisting.moc"
