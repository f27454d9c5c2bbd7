#pragma once
#include "RtfReader.h"
#include "TextLoad.h"

#include <QObject>

#include <deque>
#include <memory>

class BigTextJob;

// Reads an RTF file on a worker of the pool (BigTextJobs) and hands its text
// over as it is parsed, a piece of the file at a time, so that the first
// screen shows at once and the file is never held whole: what is held is the
// text read so far, waiting to be taken. A file that turns out not to be
// valid rich text is decoded whole as plain text instead, on the worker too.
//
// The signals come on the event loop's thread, never from within start();
// starting anew or cancelling drops whatever the last load had not handed
// over yet, and nothing of it arrives afterwards.
class RichTextLoader : public QObject {
    Q_OBJECT
public:
    // How much of the file a worker reads at once: how often the text arrives
    // and how soon a cancelled worker stops.
    static constexpr qint64 kPieceBytes = 256 * 1024;
    // A worker that is this many characters ahead of what was taken waits,
    // so that a file read faster than it is shown is not held twice over.
    static constexpr qint64 kAheadChars = 2 * 1024 * 1024;

    explicit RichTextLoader(QObject* parent = nullptr);
    ~RichTextLoader() override;

    // Takes over an RTF file as TextLoad::readFile() gives it (RichFile);
    // path names it for messages.
    void start(TextLoad::Content&& content);
    void cancel();
    // Between start() and finished(), fellBack() or failed().
    bool running() const { return m_job != nullptr; }

    // The runs that arrived and were not taken yet, in order.
    std::deque<RtfReader::Run> takeRuns();
    bool hasRuns() const { return !m_runs.empty(); }
    // After fellBack(): the file as plain text (Kind::Plain).
    TextLoad::Content takePlain() { return std::exchange(m_plain, {}); }

Q_SIGNALS:
    void arrived();
    // The document was read to its end; every run has arrived.
    void finished();
    // Not valid rich text: takePlain() holds the file as plain text. Runs
    // that arrived before were rich text only in appearance.
    void fellBack();
    // Reading failed (the message as VarError carries it); the text ends
    // with what arrived.
    void failed(const QString& message);

private:
    struct Flow;
    std::shared_ptr<BigTextJob> m_job;
    std::shared_ptr<Flow> m_flow;   // of the job under way
    std::deque<RtfReader::Run> m_runs;
    TextLoad::Content m_plain;
};
