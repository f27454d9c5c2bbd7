#include "LineBuffer.h"

#include "Cp932.h"
#include "FsPath.h"
#include "VarError.h"

#include <QSaveFile>

namespace {

QString decodeLine(const char* p, qsizetype n, bool utf8)
{
    if (n > LineBuffer::MaxLineBytes) {
        n = LineBuffer::MaxLineBytes;
        // Do not leave half a UTF-8 sequence at the cut.
        if (utf8)
            while (n > 0 && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80) --n;
    }
    return utf8 ? QString::fromUtf8(p, n) : Cp932::decode(p, n);
}

} // namespace

void LineBuffer::load(const QString& path)
{
    QByteArray bytes;
    if (!FsPath::readFile(path, &bytes, MaxFileBytes)) throw VarError::cannotOpen(path);
    loadBytes(bytes);
}

void LineBuffer::loadBytes(const QByteArray& bytes)
{
    m_lines.clear();
    const char* p = bytes.constData();
    qsizetype size = bytes.size();
    qsizetype i = 0;
    bool utf8 = false;
    if (size >= 3 && static_cast<unsigned char>(p[0]) == 0xEF && static_cast<unsigned char>(p[1]) == 0xBB
        && static_cast<unsigned char>(p[2]) == 0xBF) {
        utf8 = true;
        i = 3;
    }
    qsizetype start = i;
    while (i < size) {
        char c = p[i];
        if (c == '\r' || c == '\n') {
            m_lines.append(decodeLine(p + start, i - start, utf8));
            if (c == '\r' && i + 1 < size && p[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size) m_lines.append(decodeLine(p + start, size - start, utf8));
}

QByteArray LineBuffer::toBytes() const
{
    QByteArray out;
    bool ok = true;
    for (const QString& l : m_lines) {
        out += Cp932::encode(l, &ok);
        if (!ok) break;
        out += "\r\n";
    }
    if (ok) return out;
    out = QByteArray("\xEF\xBB\xBF");
    for (const QString& l : m_lines) {
        out += l.toUtf8();
        out += "\r\n";
    }
    return out;
}

void LineBuffer::save(const QString& path) const
{
    saveFileAtomically(path, toBytes());
}

void saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(FsPath::toQtPath(path));
    if (!file.open(QIODevice::WriteOnly)) throw VarError::cannotCreate(path);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        throw VarError::cannotCreate(path);
    }
    if (!file.commit()) throw VarError::cannotCreate(path);
}
