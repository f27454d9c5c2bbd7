// The worker pool when the system refuses threads: the work runs on the
// threads there are, or on the caller's when there is none, and finds,
// copies and counts what it would with every worker.
#include "BigTextDocument.h"
#include "BigTextJobs.h"
#include "BigTextTasks.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

class TestBigTextJobs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        BigTextTask::setImmediateLimit(2 << 20);
        QVERIFY(BigTextWorkers::waitIdle(60000));
    }

    void workRunsOnTheThreadsThereAre_data()
    {
        QTest::addColumn<int>("allowed");
        QTest::newRow("none") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("two") << 2;
    }
    void workRunsOnTheThreadsThereAre()
    {
        QFETCH(int, allowed);
        BigTextWorkers::RefuseThreads refuse(allowed);

        // Every item once, on no more threads than there are, with four
        // workers asked for.
        QObject receiver;
        auto job = std::make_shared<BigTextJob>(&receiver);
        constexpr size_t kItems = 500;
        std::vector<std::atomic<int>> seen(kItems);
        std::mutex mutex;
        std::set<std::thread::id> threads;
        bool finished = false;
        job->startBatches(
            kItems, 7, 4,
            [&]() -> BigTextJob::Batch {
                {
                    std::lock_guard lock(mutex);
                    threads.insert(std::this_thread::get_id());
                }
                return [&](size_t first, size_t last) {
                    for (size_t i = first; i < last; ++i) seen[i].fetch_add(1);
                };
            },
            [&] { finished = true; });
        QTRY_VERIFY(finished);
        for (const auto& s : seen) QCOMPARE(s.load(), 1);
        QVERIFY(threads.size() <= size_t(std::max(allowed, 1)));
        if (allowed == 0) QCOMPARE(*threads.begin(), std::this_thread::get_id());

        // A search and a copy beyond what is done at once.
        BigTextTask::setImmediateLimit(0);
        BigTextDocument doc;
        QString text;
        for (int i = 0; i < 40000; ++i) text += QStringLiteral("行 %1 の文章\n").arg(i);
        text += QStringLiteral("目印");
        doc.setText(text);
        BigTextFindTask find(doc);
        QSignalSpy found(&find, &BigTextFindTask::finished);
        find.start(QStringLiteral("目印"), 0, -1);
        QTRY_COMPARE(found.count(), 1);
        QCOMPARE(found.at(0).at(0).toLongLong(), text.indexOf(QStringLiteral("目印")));
        BigTextCopyTask copy(doc);
        QSignalSpy copied(&copy, &BigTextCopyTask::finished);
        copy.start(0, doc.length());
        QTRY_COMPARE(copied.count(), 1);
        QCOMPARE(copied.at(0).at(0).toString(), text);
    }

    // The end waits for cancelled work to reach its check, never for work held
    // where no flag reaches (in the kernel): that is left, to end once let go.
    void endLeavesOnlyStuckWorkBehind_data()
    {
        QTest::addColumn<bool>("stuck");
        QTest::newRow("checks its flag") << false;
        QTest::newRow("stuck in a call") << true;
    }
    void endLeavesOnlyStuckWorkBehind()
    {
        QFETCH(bool, stuck);
        std::promise<void> inside, letGo;
        QObject receiver;
        auto job = std::make_shared<BigTextJob>(&receiver);
        job->start([&inside, go = letGo.get_future().share()] {
            inside.set_value();
            go.wait();
        });
        inside.get_future().wait();
        job->cancel();
        if (!stuck) letGo.set_value(); // it reaches its check
        QCOMPARE(BigTextWorkers::endAll(stuck ? 0 : 60000), !stuck);
        QCOMPARE(BigTextWorkers::leftBehind(), stuck ? 1 : 0);
        if (stuck) letGo.set_value();
        QTRY_COMPARE(BigTextWorkers::leftBehind(), 0);
        QVERIFY(BigTextWorkers::waitIdle(60000));
    }
};

QTEST_GUILESS_MAIN(TestBigTextJobs)
#include "tst_bigtextjobs.moc"
