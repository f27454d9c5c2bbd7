#pragma once
#include <QByteArray>
#include <QString>

#include <memory>

// The encodings of a plain-text file.
enum class TextEncoding { Cp932, Utf8, Utf16LE, Utf16BE, EucJp, Iso2022Jp, EucJisX0213, ShiftJisX0213 };

// Counting and decoding of byte ranges of one encoding: the only decoders of
// file text there are. A large file is decoded range by range; a whole text
// is the same codec run over the whole range. A range handed in always starts
// at a character; it may end inside one, which then decodes to U+FFFD.
// Undecodable bytes become U+FFFD, one per byte that could not start a
// character (a sequence of the right shape with no character in the table
// is one U+FFFD); nothing ever fails. Line ends and NUL are left as they are.
//
// ISO-2022-JP is stateful: a character's meaning depends on escapes
// arbitrarily far back, so a range of it is read from the state in force
// where it starts (the *From functions; the others start from the state at
// the start of a text).
class TextCodec {
public:
    // The shift state where a range starts: for ISO-2022-JP the set designated.
    // Each bit of it is decided by the last escape of its kind before; 0 is the state at the start of a text, and
    // the only one of a stateless encoding.
    using State = quint8;

    virtual ~TextCodec() = default;

    // Bytes per code unit: 2 for UTF-16 (line ends are then 16-bit units), else 1.
    virtual int unitBytes() const { return 1; }
    virtual bool bigEndian() const { return false; }
    // Whether a range's reading depends on the state where it starts.
    virtual bool stateful() const { return false; }
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

    // The same from a state. countFrom leaves in state the state at the end of
    // the range and adds to decided the bits of it that the range's own escapes set.
    virtual qint64 countFrom(State& /*state*/, State& decided, const char* data, qint64 size) const
    {
        decided = 0xFF;
        return countUnits(data, size);
    }
    virtual void decodeFrom(State /*state*/, const char* data, qint64 size, QString& out) const
    {
        decode(data, size, out);
    }
    virtual qint64 boundaryFrom(State /*state*/, const char* data, qint64 size, qint64 target) const
    {
        return boundaryBefore(data, size, target);
    }
    // boundaryFrom where the bits of state in guess were assumed, not read:
    // a start that is one whatever they are, unless the range decides them
    // before target. A long line cut there reads right once the state is known.
    virtual qint64 boundaryGuessed(State state, State /*guess*/, const char* data, qint64 size, qint64 target) const
    {
        return boundaryFrom(state, data, size, target);
    }
    // Bytes at the start of data that decode to nothing (escapes).
    virtual qint64 silentBytes(const char* /*data*/, qint64 /*size*/) const { return 0; }
    // The state at the end of a range as far as its own escapes tell, found
    // from its end backwards; *decided gets the bits they decide (the others
    // are 0 in the answer).
    virtual State stateAtEnd(const char* /*data*/, qint64 /*size*/, State* decided) const
    {
        *decided = 0xFF;
        return 0;
    }

    static std::unique_ptr<TextCodec> create(TextEncoding encoding);
    // Length of the byte-order mark of the encoding at the start of data (0 if none).
    static int bomLength(TextEncoding encoding, const char* data, qint64 size);
    static QString name(TextEncoding encoding);
};
