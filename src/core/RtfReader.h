#pragma once
#include <QByteArray>
#include <QRgb>
#include <QString>

#include <optional>
#include <vector>

// Reads rich text (RTF) into runs of text with their character formatting,
// which is what the text pane shows of it: paragraphs and line breaks, tabs,
// bold, italic, underline, strike-out, size, colour and font. Pictures,
// objects, headers, footers and other destinations are skipped.
//
// The reader never recurses and bounds the group depth and every table, so
// that hostile input costs at most time and memory in proportion to its size.
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

// Nothing when the data is not valid rich text: it does not start as RTF, its
// groups do not balance (a cut-off file, a stray brace) or nest too deeply.
std::optional<Document> read(const char* data, qsizetype size);
inline std::optional<Document> read(const QByteArray& bytes) { return read(bytes.constData(), bytes.size()); }

}
