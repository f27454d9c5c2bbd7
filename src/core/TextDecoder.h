#pragma once
#include <QByteArray>
#include <QString>

// Turns the bytes of a text file into text. Japanese text files come in
// several encodings side by side; the encoding is found from the bytes alone:
// a byte-order mark wins, ISO-2022-JP shows itself by its escape sequences,
// and otherwise every encoding that could have produced the bytes is tried on
// a sample and the one giving the most plausible Japanese text is taken. CP932
// wins whenever the others are not clearly better.
//
// Decoding never fails: NUL bytes and invalid sequences become U+FFFD.
namespace TextDecoder {

enum class Encoding { Cp932, EucJp, Iso2022Jp, Utf8, Utf16Le, Utf16Be };
const char* encodingName(Encoding encoding);

struct Options {
    // CR LF and a lone CR become LF, so that every line break is one character.
    bool unifyLineBreaks = false;
};

struct Detection {
    Encoding encoding = Encoding::Cp932;
    bool bom = false;   // the data starts with this encoding's byte-order mark
};

struct Result {
    QString text;
    Encoding encoding = Encoding::Cp932;
    bool bom = false;
};

Detection detect(const char* data, qsizetype size);
inline Detection detect(const QByteArray& bytes) { return detect(bytes.constData(), bytes.size()); }

// Decodes as the given encoding; that encoding's byte-order mark at the start
// is skipped.
QString decodeAs(Encoding encoding, const char* data, qsizetype size, const Options& options = {});
inline QString decodeAs(Encoding encoding, const QByteArray& bytes, const Options& options = {})
{
    return decodeAs(encoding, bytes.constData(), bytes.size(), options);
}

// detect() followed by decodeAs().
Result decode(const char* data, qsizetype size, const Options& options = {});
inline Result decode(const QByteArray& bytes, const Options& options = {})
{
    return decode(bytes.constData(), bytes.size(), options);
}

}
