#pragma once
#include <QByteArray>
#include <QRgb>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// Reads rich text (RTF) into runs of text with their character formatting,
// which is what the text pane shows of it: paragraphs and line breaks, tabs,
// bold, italic, underline, strike-out, size, colour and font; footnote
// marks, list text and the cells of tables, nested ones too. Hidden text,
// pictures, objects, headers, footers and other destinations are skipped.
//
// Text bytes are read in the code page of their font (the document's when the
// font has none: \ansicpg, \mac, \pc or \pca; the system's, 932, when the
// document names none either). In a double-byte code page a lead byte written
// as it is takes the next byte as its second, whatever it is: '\\', '{' and
// '}' among them.
//
// The reader never recurses, keeps its groups on the heap at any depth and
// bounds every table, so that hostile input costs at most time and memory in
// proportion to its size.
namespace RtfReader {

struct Format {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int halfPoints = 0;     // font size in half points; 0 keeps the pane's size
    bool hasColor = false;  // false: the pane's text colour
    QRgb color = 0;
    QString font;           // empty: the pane's font
    bool operator==(const Format&) const = default;
};

// '\n' ends a paragraph; U+2028 breaks a line inside one.
struct Run {
    QString text;
    Format format;
};

struct Document {
    std::vector<Run> runs;
    QString plainText() const;
};

// Rich text is recognised by its start, "{\rtf".
bool isRtf(const char* data, qsizetype size);
inline bool isRtf(const QByteArray& bytes) { return isRtf(bytes.constData(), bytes.size()); }

enum class Status {
    More,      // the document goes on
    Done,      // the document's group has closed: it is whole
    Invalid,   // not rich text (see read())
};

// Reads rich text as it arrives, piece by piece, so that a file need not be
// held whole: only a token cut by the end of a piece is kept until the next.
// The text read so far can be taken at any time. Pieces cut anywhere give
// the text that the whole gives at once.
class Reader {
public:
    Reader();
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // The next piece; last: nothing follows it. Once the status is no longer
    // More, further input is ignored.
    Status feed(const char* data, qsizetype size, bool last = false);
    Status status() const;
    // The runs read since the last call. Text waiting for the rest of its
    // character or for its code page stays behind.
    std::vector<Run> take();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Nothing when the data is not valid rich text: it does not start as RTF, its
// groups do not balance (a cut-off file, a stray brace).
std::optional<Document> read(const char* data, qsizetype size);
inline std::optional<Document> read(const QByteArray& bytes) { return read(bytes.constData(), bytes.size()); }

}
