#pragma once
#include "BigTextDocument.h"
#include "BigTextJobs.h"
#include "BigTextMeasure.h"
#include "BigTextSearch.h"

#include <QFont>
#include <QObject>

#include <atomic>
#include <memory>

// Long operations on a big text, run on workers so that the event loop never
// waits for them: a search, a copy of a range, and the count of visual lines
// of blocks. Each lives on the event loop's thread, takes what it reads from
// the document as a span, and answers through a signal. cancel(), a new
// start() or the task's end stops the workers within a block, and no answer
// comes after that. Work small enough to be done at once is done before
// start() returns, and its answer is signalled from within start().
class BigTextTask : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~BigTextTask() override { cancel(); }
    virtual void cancel();
    bool running() const { return m_job != nullptr; }
    // Running, or waiting for the document to grow.
    virtual bool active() const { return running(); }
    // How far the work has come, from 0 to 1.
    virtual double progress() const = 0;
    // Work up to this many characters (or file bytes) is done at once.
    static void setImmediateLimit(qint64 chars);
    static qint64 immediateLimit();

Q_SIGNALS:
    // The file shrank or was rewritten while the task read it: it ends
    // without its answer, which would not be of the text shown.
    void fileChanged();

protected:
    std::shared_ptr<BigTextJob> newJob();
    // Checked when reading is done: whether all that was read is the file as opened.
    static bool readChanged(const BigTextDocument& doc);
    std::shared_ptr<BigTextJob> m_job;
    std::shared_ptr<std::atomic<qint64>> m_done = std::make_shared<std::atomic<qint64>>(0);
};

// A forward search, which may go on into what the document's index appends
// later: call grew() when it has.
class BigTextFindTask : public BigTextTask {
    Q_OBJECT
public:
    explicit BigTextFindTask(const BigTextDocument& doc, QObject* parent = nullptr);
    // Looks for what starting in [from, to) and ending by to; to < 0: to the
    // end of the text, also the part not yet indexed. Parts whose count of
    // characters is not checked yet are waited for like parts not indexed.
    void start(const QString& what, qint64 from, qint64 to);
    void cancel() override;
    void grew();
    bool active() const override { return running() || m_waiting; }
    double progress() const override;

Q_SIGNALS:
    void finished(qint64 hit); // -1: not found

private:
    // The parts of the document to search up to (the last in range, or the
    // last indexed), and whether the index may still bring more to search.
    struct Reach {
        int end;
        bool growing;
    };
    Reach reach() const;
    void step();
    void ran(qint64 hit);

    const BigTextDocument& m_doc;
    std::shared_ptr<BigTextSearch> m_search;
    qint64 m_from = 0, m_to = 0;
    int m_nextPart = 0;
    bool m_waiting = false; // for the index to append more
    qint64 m_startDone = 0;
};

// The text of a range, built on workers.
class BigTextCopyTask : public BigTextTask {
    Q_OBJECT
public:
    explicit BigTextCopyTask(const BigTextDocument& doc, QObject* parent = nullptr);
    // Throws std::bad_alloc when there is no room for the text.
    void start(qint64 from, qint64 length);
    double progress() const override;

Q_SIGNALS:
    void finished(const QString& text);

private:
    const BigTextDocument& m_doc;
    qint64 m_length = 0;
};

// Numbers of visual lines of blocks, in one font at one wrap width.
class BigTextCountTask : public BigTextTask {
    Q_OBJECT
public:
    explicit BigTextCountTask(const BigTextDocument& doc, QObject* parent = nullptr);
    // Counts the given blocks (in this order); answers in batches.
    void start(const std::vector<BigTextMeasure::ToCount>& blocks, const QFont& font, qreal wrapWidth, quint64 key);
    double progress() const override;
    quint64 key() const { return m_key; }

Q_SIGNALS:
    void counted(quint64 key, const std::vector<BigTextMeasure::Counted>& counts);
    void finished();

private:
    const BigTextDocument& m_doc;
    quint64 m_key = 0;
    qint64 m_total = 0;
};
