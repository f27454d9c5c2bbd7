#pragma once
#include "BigTextIndexer.h"
#include "BigTextLayout.h"
#include "BigTextTasks.h"

#include <QObject>
#include <QTimer>

// Everything a big text does beside the event loop, for one view: indexing
// the file it shows, searching, copying to the clipboard and numbering
// visual lines. Loading another text stops all of it for the text before.
// Find and copy are what the user waits for ("busy"): they can be shown with
// their progress and cancelled; indexing and numbering run on unseen, and
// what they find is reported as they go.
class BigTextActivity : public QObject {
    Q_OBJECT
public:
    BigTextActivity(BigTextDocument& doc, BigTextLayout& layout, QObject* parent = nullptr);
    ~BigTextActivity() override;

    BigTextIndexer& indexer() { return m_indexer; }
    // Opens fd (owned from here on) into the document with its head indexed;
    // the rest follows. Throws VarError like BigTextDocument::open().
    void load(int fd, const QString& path, TextEncoding encoding);
    // Opens the file shown anew by its name, through the checks of a first
    // open (TextLoad::readFile): a file put in its place by a rename is
    // shown, in the encoding its bytes show now. False, opening nothing,
    // when the name holds rich text now. Throws VarError as a first open.
    bool reload();
    // Stops the work for the text shown, before it is replaced.
    void stopAll();
    bool indexing() const { return m_indexer.running(); }

    // Searches [from, to), or from on to the end of the text with to < 0 (the
    // part not indexed yet included); the answer comes through found(), at
    // once when the search is short.
    void find(const QString& what, qint64 from, qint64 to);
    // Puts [from, from + length) on the clipboard, or from on to the end of
    // the whole file (toEnd: length is what is known of it now); either waits
    // for the index and the counts of characters it needs. Throws, copying
    // nothing, like BigTextMemory::requireClipboard() when the text known now
    // is too long or does not fit in memory; what only the rest of the file
    // makes too much is told by copyFailed() or outOfMemory().
    void copy(qint64 from, qint64 length, bool toEnd);
    // The text was edited: positions of a search under way no longer hold.
    void edited();
    // Numbering guessed some blocks: count them in the background.
    void countLater();
    // The font or the wrap width changed: counts under way are of no use.
    void layoutChanged();

    bool busy() const;
    double progress() const;
    QString busyText() const;
    void cancelBusy();

Q_SIGNALS:
    void grew();                 // more of the file is indexed (at most a few times a second)
    void indexed();              // the whole file is
    void found(qint64 hit);      // -1: not found
    void numberingChanged();     // visual line numbers came nearer to the truth
    void busyChanged(bool busy);
    void outOfMemory();          // a copy that waited for the index did not fit
    // A copy was not made: too long once the whole file was known, or
    // dropped because the file changed under it. message tells the user why.
    void copyFailed(const QString& message);
    void corrected(qint64 position, qint64 delta); // see BigTextIndexer
    // Indexing, a search or a copy found the file shrunk or rewritten: it
    // stopped without an answer, and the text is to be reloaded.
    void fileChanged();

private:
    void onGrew();
    void onIndexed();
    void onFileChanged();
    // Stops a copy under way or waiting, telling that the file changed under it.
    void dropCopy();
    void tellCopyDropped();
    void startPendingCopy();
    void setClipboard(const QString& text);
    void updateBusy();

    BigTextDocument& m_doc;
    BigTextLayout& m_layout;
    BigTextIndexer m_indexer;
    BigTextFindTask m_find;
    BigTextCopyTask m_copy;
    BigTextCountTask m_count;
    QTimer m_grewTimer;
    QTimer m_numberTimer;
    bool m_copyPending = false; // waiting for the index to end
    qint64 m_copyFrom = 0;
    qint64 m_copyLength = -1; // -1: to the end of the text
    bool m_busy = false;
    bool m_countQueued = false;
};
