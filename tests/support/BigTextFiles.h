#pragma once
// Files for the big-text suites: text in any encoding as bytes, the text as
// the document reads it back, and writing and opening the file.
#include "Cp932.h"
#include "TextCodec.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

#include <fcntl.h>
#include <iconv.h>

Q_DECLARE_METATYPE(TextEncoding)

namespace BigTextFiles {

inline QByteArray iconvEncode(const char* to, const QString& text)
{
    const QByteArray in = text.toUtf8();
    iconv_t cd = iconv_open(to, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inp = const_cast<char*>(in.constData());
    char* outp = out.data();
    size_t inLeft = size_t(in.size()), outLeft = size_t(out.size());
    iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv(cd, nullptr, nullptr, &outp, &outLeft);
    iconv_close(cd);
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

// Encoded independently of the program's own codecs.
inline QByteArray encodeAs(TextEncoding e, const QString& text)
{
    switch (e) {
    case TextEncoding::Cp932: return Cp932::encode(text);
    case TextEncoding::Utf8: return text.toUtf8();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QByteArray out;
        for (QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            out += e == TextEncoding::Utf16LE ? QByteArray{&lo, 1} + QByteArray{&hi, 1}
                                                 : QByteArray{&hi, 1} + QByteArray{&lo, 1};
        }
        return out;
    }
    case TextEncoding::EucJp: return iconvEncode("EUC-JP-MS", text);
    case TextEncoding::Iso2022Jp: return iconvEncode("ISO-2022-JP", text);
    case TextEncoding::EucJisX0213: return iconvEncode("EUC-JISX0213", text);
    case TextEncoding::ShiftJisX0213: return iconvEncode("SHIFT_JISX0213", text);
    }
    return {};
}

// The text as the document reads it back: one '\n' per line end (CR LF, CR
// or LF), U+FFFD for NUL.
inline QString normalized(const QString& s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\r') {
            if (i + 1 < s.size() && s[i + 1] == u'\n') ++i;
            out += u'\n';
        } else if (s[i] == QChar(0)) {
            out += QChar(0xFFFD);
        } else {
            out += s[i];
        }
    }
    return out;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

inline int openFd(const QString& path) { return ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC); }

} // namespace BigTextFiles
