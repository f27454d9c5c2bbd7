#pragma once
#include "TextCodec.h"
#include "BigTextScan.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// The open file behind a big text and its codec, shared by the document and by
// whatever works on the text in the background. The descriptor is closed when
// the last holder lets go, so a worker that is still reading when another file
// is shown never reads from a reused descriptor number.
//
// It also answers whether the file is still the one that was opened: the text
// shown is the file's bytes [0, size()) as they were then, and every reader
// asks verify() after it read (one fstat), so that nothing read from another
// version of the file is shown or handed on.
class BigTextSource {
public:
    // What became of the file since it was opened.
    enum class State {
        Same,    // as opened
        Kept,    // grown at its end, renamed away or deleted: what was read still holds
        Changed, // shrunk or rewritten: what is read now may not be what was shown
    };

    // Takes the size and modification time fd has now, and a sample of its
    // first and last bytes; path is where the file was found (for messages,
    // and to tell when it is renamed away).
    BigTextSource(int fd, std::unique_ptr<TextCodec> codec, const QString& path = QString());
    ~BigTextSource();
    BigTextSource(const BigTextSource&) = delete;
    BigTextSource& operator=(const BigTextSource&) = delete;

    int fd() const { return m_fd; }
    const TextCodec& codec() const { return *m_codec; }
    const QString& path() const { return m_path; }
    // The file's size when it was opened.
    qint64 size() const { return m_opened.size; }

    // Whether what was read before this call is the file as opened. A file
    // that grew is taken as appended to when its first and last bytes as
    // opened are still there. Once Changed, always Changed. Any thread.
    State verify() const;
    // verify(), and Kept when the path no longer leads to the file.
    State watch() const;
    // Whether verify() has found the file changed (no system call).
    bool changed() const { return m_changed.load(std::memory_order_acquire); }

private:
    struct Stamp {
        qint64 size = -1;
        qint64 mtimeNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    bool samplesHold() const;

    int m_fd;
    std::unique_ptr<TextCodec> m_codec;
    QString m_path;
    Stamp m_opened;
    QByteArray m_head, m_tail; // the first and the last bytes when opened
    mutable std::mutex m_mutex;
    mutable Stamp m_seen;      // what verify() looked at last, and what it found
    mutable State m_seenState = State::Same;
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
    std::shared_ptr<BigTextScan::Decoded> own; // text held in memory instead
    quint64 id = 0;                            // changes whenever its text changes
};

// Decoded text of a file part, made to hold exactly the counts the index found.
// Verifies the source after reading: when the file changed, what it gives is
// not the file's text and is not to be shown (see BigTextSource::changed()).
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
