#pragma once
#include "BigTextDocument.h"
#include "BigTextJobs.h"

#include <QObject>

#include <map>
#include <memory>

// Opens a big text at once and indexes the rest of its file in the
// background: the head is indexed before open() returns, the rest is cut into
// segments that start at line starts, and workers scan them side by side.
// What they find is appended to the document in file order, on the thread the
// indexer lives in, as it comes; so the text grows from its head on until it
// is complete. Another open(), cancel() or the indexer's end stops the work
// for the file within a chunk, and nothing found after that reaches the
// document.
class BigTextIndexer : public QObject {
    Q_OBJECT
public:
    struct Options {
        qint64 headBytes = 4 << 20;          // indexed before open() returns
        qint64 segmentBytes = 32 << 20;      // what a worker takes at a time
        qint64 chunkBytes = 1 << 20;         // read at a time; also how soon a worker stops
        int workers = 0;                     // 0: one a core, at most four
        bool quick = true;                   // count characters quickly, check them afterwards
    };

    explicit BigTextIndexer(BigTextDocument& doc, QObject* parent = nullptr);
    ~BigTextIndexer() override;

    void setOptions(const Options& options) { m_options = options; }
    const Options& options() const { return m_options; }

    // Opens the document over fd (which it owns from here on, also when this
    // throws). Throws like BigTextDocument::open().
    void open(int fd, const QString& path, TextEncoding encoding);
    // Stops the work for the current file; the document keeps what it has.
    void cancel();
    // Checks at once, on this thread, the counts of the blocks [from, to)
    // that were counted quickly and are not checked yet, so that what is
    // about to be read from them is exact; corrections are signalled as the
    // background check's are. Whether any count changed.
    bool checkNow(int from, int to);
    // Indexing, or checking the counts of characters.
    bool running() const { return m_job != nullptr || m_check != nullptr; }

Q_SIGNALS:
    // More of the file has been appended to the document.
    void grew();
    // The document is complete (also when the file turned out shorter).
    void finished();
    // Reading failed: the document ends where the index ended.
    void failed(const QString& message);
    // A block's count of characters was corrected: the positions from
    // position on moved by delta.
    void corrected(qint64 position, qint64 delta);
    // Every count of characters has been checked (isExact()).
    void exact();
    // The file shrank or was rewritten while it was indexed: the work stopped,
    // and the document holds what was indexed of the file as it was opened.
    void changed();

private:
    struct Segment;
    struct Work;
    void receive(int segment, std::vector<BigTextScan::Block> blocks, bool done, bool complete, const QString& error);
    void apply();
    void check();
    void checked(const std::vector<std::pair<quint64, qint64>>& corrections, bool done);

    BigTextDocument& m_doc;
    Options m_options;
    std::shared_ptr<BigTextJob> m_job;
    std::shared_ptr<BigTextJob> m_check;
    std::map<int, std::unique_ptr<Segment>> m_pending;
    int m_next = 0;     // the segment whose blocks come next
    int m_segments = 0;
};
