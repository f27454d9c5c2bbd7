#pragma once
#include "TextCodec.h"
#include "BigTextScan.h"

#include <QtGlobal>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

struct BigTextPart;
struct stat;

// The open file behind a big text and its codec, shared by the document and by
// whatever works on the text in the background. The descriptor is closed when
// the last holder lets go, so a worker that is still reading when another file
// is shown never reads from a reused descriptor number.
//
// It also answers whether the file is still the one that was opened: the text
// shown is the file's bytes [0, size()) as they were then. Their content is
// their identity: every block carries a digest of its bytes taken when it was
// indexed, and every reader that reads a block again checks it (confirm()),
// so that nothing read from another version of the file is shown or handed
// on, whatever the file's size and times say. The stamp (size, times, inode)
// tells of a change before anything is read again.
class BigTextSource {
public:
    // What became of the file since it was opened.
    enum class State {
        Same,    // as opened
        Kept,    // grown at its end: what was read still holds
        Changed, // shrunk or rewritten: what is read now may not be what was shown
    };
    // Where the file's name leads now.
    enum class Named {
        File,    // to the file shown
        Other,   // to another file, or to something else (a reload looks at it)
        Nothing, // nowhere: deleted or renamed away
    };
    // What one look at the file and at its name found.
    struct Look {
        State state = State::Same;
        Named named = Named::File;
        quint64 mark = 0; // changes whenever the file or what its name leads to changes
    };

    // Takes the stamp fd has now; path is where the file was found (for
    // messages, and to look where it leads now).
    BigTextSource(int fd, std::unique_ptr<TextCodec> codec, const QString& path = QString());
    ~BigTextSource();
    BigTextSource(const BigTextSource&) = delete;
    BigTextSource& operator=(const BigTextSource&) = delete;

    int fd() const { return m_fd; }
    const TextCodec& codec() const { return *m_codec; }
    const QString& path() const { return m_path; }
    // The file's size when it was opened.
    qint64 size() const { return m_opened.size; }

    // Whether the file is as opened, by its stamp (one fstat). A file that
    // grew is taken as appended to when its first and last blocks indexed
    // still hold what they held. Once Changed, always Changed. Any thread.
    State verify() const;
    // verify(), and where the name leads (one stat). Either may block on a
    // file system that hangs: not for the event loop's thread.
    Look look() const;
    // Whether bytes read again for a part are the ones indexed; when not, the
    // file is Changed from now on. Any thread.
    bool confirm(const BigTextPart& part, const char* bytes, qint64 size) const;
    // Whether the file was found changed (no system call).
    bool changed() const { return m_changed.load(std::memory_order_acquire); }
    // Blocks of the file were indexed, from first (the file's first block,
    // the first time) to last: a file that grew must still hold its first
    // and its last block so far.
    void indexed(const BigTextPart& first, const BigTextPart& last) const;

private:
    struct Stamp {
        qint64 size = -1;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0; // moves on with every change, and cannot be put back
        quint64 inode = 0, device = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct End {
        qint64 offset = 0, bytes = 0;
        quint64 digest = 0;
    };
    static Stamp stampOf(const struct ::stat& st);
    bool endsHold(const End& first, const End& last) const;
    Named named(Stamp* stamp = nullptr) const;
    void setChanged() const;

    int m_fd;
    std::unique_ptr<TextCodec> m_codec;
    QString m_path;
    Stamp m_opened;
    mutable std::mutex m_mutex;
    mutable Stamp m_seen;      // what verify() looked at last, and what it found
    mutable State m_seenState = State::Same;
    mutable End m_first, m_last;
    mutable std::atomic<bool> m_changed{false};
};

// One piece of a big text: a block of the file, or text held in memory
// instead. The counts are those found when the file was indexed (or of the
// text in memory); they stay what they are even if the file changes later.
struct BigTextPart {
    qint64 offset = 0; // file bytes, while not edited
    qint64 bytes = 0;
    qint64 chars = 0;
    qint64 newlines = 0;
    bool endsWithNewline = false;
    bool exact = true; // chars known to be what decoding gives (see BigTextScan::Block)
    TextCodec::State state = 0; // a stateful encoding's state where it starts
    quint64 digest = 0;         // of its bytes when indexed (see BigTextScan::Block)
    std::shared_ptr<BigTextScan::Decoded> own; // text held in memory instead
    quint64 id = 0;                            // changes whenever its text changes
};

// Decoded text of a file part. Its bytes are checked against the part's
// digest: when they are not the ones indexed, the source is marked changed
// and what comes back holds no text of the file at all, only the shape the
// index gave (line ends and blanks), so that nothing indexing into it runs
// past its end; it is never shown or handed on (see BigTextSource::changed()).
BigTextScan::Decoded readPart(const BigTextSource& source, const BigTextPart& part);

// A run of consecutive parts as they were at one moment, readable from any
// thread: a worker reads it while the document goes on being edited (an edited
// part is copied, never changed under a reader).
struct BigTextSpan {
    std::shared_ptr<const BigTextSource> source; // null when every part is in memory
    std::vector<BigTextPart> parts;
    qint64 start = 0;     // position of the first part's first character
    int firstIndex = 0;   // the first part's index in the document then
    qint64 chars() const;
    std::shared_ptr<const BigTextScan::Decoded> text(size_t index) const;
};
