#pragma once
#include "TextCodec.h"
#include "BigTextScan.h"

#include <memory>
#include <vector>

// The open file behind a big text and its codec, shared by the document and by
// whatever works on the text in the background. The descriptor is closed when
// the last holder lets go, so a worker that is still reading when another file
// is shown never reads from a reused descriptor number.
class BigTextSource {
public:
    BigTextSource(int fd, std::unique_ptr<TextCodec> codec);
    ~BigTextSource();
    BigTextSource(const BigTextSource&) = delete;
    BigTextSource& operator=(const BigTextSource&) = delete;

    int fd() const { return m_fd; }
    const TextCodec& codec() const { return *m_codec; }

private:
    int m_fd;
    std::unique_ptr<TextCodec> m_codec;
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
    std::shared_ptr<BigTextScan::Decoded> own; // text held in memory instead
    quint64 id = 0;                            // changes whenever its text changes
};

// Decoded text of a file part, made to hold exactly the counts the index found:
// a file that changed since shows what is left and blanks for what is not.
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
