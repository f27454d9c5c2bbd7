#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

// The encodings of a plain-text file.
enum class TextEncoding { Cp932, Utf8, Utf16LE, Utf16BE, EucJp, Iso2022Jp };

// Counting and decoding of byte ranges of one encoding: the only decoders of
// file text there are. A large file is decoded range by range; a whole text
// is the same codec run over the whole range. A range handed in always starts
// at a character; it may end inside one, which then decodes to U+FFFD.
// Undecodable bytes become U+FFFD, one per byte that could not start a
// character (a sequence of the right shape with no character in the table
// is one U+FFFD); nothing ever fails. Line ends and NUL are left as they are.
//
// ISO-2022-JP is stateful: a character's meaning depends on escapes
// arbitrarily far back, so its ranges must start at the start of the text.
class TextCodec {
public:
    virtual ~TextCodec() = default;

    // Bytes per code unit: 2 for UTF-16 (line ends are then 16-bit units), else 1.
    virtual int unitBytes() const { return 1; }
    virtual bool bigEndian() const { return false; }
    // Whether a range may start anywhere a character starts (false for ISO-2022-JP).
    virtual bool piecewise() const { return true; }
    // Code units that decode() appends for the range, or -1 when only decoding
    // can tell (invalid sequences whose replacement is the decoder's business).
    virtual qint64 countUnits(const char* data, qint64 size) const = 0;
    // Appends the decoded range.
    virtual void decode(const char* data, qint64 size, QString& out) const = 0;
    // The last character start at or before target; data starts at a character.
    virtual qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const = 0;
    // The byte form every occurrence of text must have in the file, when there is
    // exactly one; false when a byte search could miss an occurrence.
    virtual bool uniqueBytes(const QString& text, QByteArray* out) const = 0;

    static std::unique_ptr<TextCodec> create(TextEncoding encoding);
    // Length of the byte-order mark of the encoding at the start of data (0 if none).
    static int bomLength(TextEncoding encoding, const char* data, qint64 size);
    static QString name(TextEncoding encoding);
};
