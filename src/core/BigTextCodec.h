#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

// Encodings of a plain-text file. ISO-2022-JP is stateful (a character's meaning
// depends on escapes arbitrarily far back), so it cannot be decoded piecewise and
// is decoded whole.
enum class BigTextEncoding { Cp932, Utf8, Utf16LE, Utf16BE, EucJp, Iso2022Jp };

// Counting and decoding of byte ranges of one encoding. A range handed in always
// starts at a character; it may end inside one, which then decodes to U+FFFD.
class BigTextCodec {
public:
    virtual ~BigTextCodec() = default;

    // Bytes per code unit: 2 for UTF-16 (line ends are then 16-bit units), else 1.
    virtual int unitBytes() const { return 1; }
    virtual bool bigEndian() const { return false; }
    // Code units that decode() appends for the range, or -1 when only decoding
    // can tell (invalid sequences whose replacement is the decoder's business).
    virtual qint64 countUnits(const char* data, qint64 size) const = 0;
    // Appends the decoded range; undecodable sequences become U+FFFD.
    virtual void decode(const char* data, qint64 size, QString& out) const = 0;
    // The last character start at or before target; data starts at a character.
    virtual qint64 boundaryBefore(const char* data, qint64 size, qint64 target) const = 0;
    // The byte form every occurrence of text must have in the file, when there is
    // exactly one; false when a byte search could miss an occurrence.
    virtual bool uniqueBytes(const QString& text, QByteArray* out) const = 0;

    // nullptr for ISO-2022-JP.
    static std::unique_ptr<BigTextCodec> create(BigTextEncoding encoding);
    // Length of the byte-order mark of the encoding at the start of data (0 if none).
    static int bomLength(BigTextEncoding encoding, const char* data, qint64 size);
    static QString name(BigTextEncoding encoding);
};
