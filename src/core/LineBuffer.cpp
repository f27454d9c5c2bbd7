#include "LineBuffer.h"

#include "Cp932.h"
#include "FsPath.h"
#include "LineSplitter.h"
#include "SettingsMemo.h"
#include "VarError.h"

static_assert(LineBuffer::MaxLineBytes == LineSplitter::MaxLineBytes);

namespace {

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

const QByteArray kBom("\xEF\xBB\xBF");

// UTF-8 with every byte of an ill-formed sequence kept as U+DC00 + byte, which
// FsPath::encodeName writes back as that byte.
QString decodeUtf8KeepingBytes(const QByteArray& bytes)
{
    return FsPath::decodeName(bytes);
}

} // namespace

void LineBuffer::load(const QString& path, int maxLines)
{
    QList<QByteArray> raw;
    LineSplitter splitter([&](QByteArrayView line) {
        if (maxLines >= 0 && raw.size() >= maxLines) return false;
        raw.append(line.toByteArray());
        return maxLines < 0 || raw.size() < maxLines;
    });
    if (!splitFile(path, splitter, MaxFileBytes)) throw VarError::cannotOpen(path);
    loadLines(raw, splitter.utf8() ? Encoding::Utf8 : Encoding::Cp932, path);
}

void LineBuffer::loadBytes(const QByteArray& bytes)
{
    QList<QByteArray> raw;
    LineSplitter splitter([&](QByteArrayView line) {
        raw.append(line.toByteArray());
        return true;
    });
    splitter.feed(bytes);
    splitter.finish();
    loadLines(raw, splitter.utf8() ? Encoding::Utf8 : Encoding::Cp932, QString());
}

void LineBuffer::clear()
{
    m_lines.clear();
    m_raw.clear();
}

void LineBuffer::loadLines(const QList<QByteArray>& raw, Encoding encoding, const QString& file)
{
    clear();
    const bool utf8 = encoding == Encoding::Utf8;
    m_encoding = encoding;
    SettingsMemo::beginFile(file, utf8);
    m_lines.reserve(raw.size());
    m_raw.reserve(raw.size());
    for (const QByteArray& bytes : raw) {
        if (utf8) {
            // Every byte comes back from the text alone.
            m_lines.append(decodeUtf8KeepingBytes(bytes));
            m_raw.append(Raw{bytes, Kind::Utf8Bytes});
            continue;
        }
        QString text = Cp932::decodeKeepingBytes(bytes);
        // Only a character with several codes can make the encoder choose
        // other bytes than these; then the line's bytes are remembered.
        if (!isAscii(bytes) && Cp932::encodeKeepingBytes(text) != bytes) SettingsMemo::remember(file, text, bytes);
        m_lines.append(std::move(text));
        m_raw.append(Raw{bytes, Kind::Cp932Bytes});
    }
}

QByteArray LineBuffer::lineBytes(int i) const
{
    if (i < 0 || i >= m_raw.size()) return QByteArray();
    const Raw& r = m_raw.at(i);
    return r.kind == Kind::Text ? Cp932::encodeKeepingBytes(m_lines.at(i)) : r.bytes;
}

LineBuffer::Encoding LineBuffer::lineEncoding(int i) const
{
    if (i < 0 || i >= m_raw.size()) return Encoding::Cp932;
    return m_raw.at(i).kind == Kind::Utf8Bytes ? Encoding::Utf8 : Encoding::Cp932;
}

void LineBuffer::append(const QString& line)
{
    m_lines.append(line);
    m_raw.append(Raw{});
}

void LineBuffer::appendBytes(const QByteArray& bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8) {
        m_lines.append(decodeUtf8KeepingBytes(bytes));
        m_raw.append(Raw{bytes, Kind::Utf8Bytes});
    } else {
        m_lines.append(Cp932::decodeKeepingBytes(bytes));
        m_raw.append(Raw{bytes, Kind::Cp932Bytes});
    }
}

void LineBuffer::appendLineOf(const LineBuffer& other, int i)
{
    appendBytes(other.lineBytes(i), other.lineEncoding(i));
}

bool LineBuffer::encodeCp932(const QString& file, QByteArray* out) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Raw& r = m_raw.at(i);
        if (r.kind == Kind::Cp932Bytes) {
            *out += r.bytes;
        } else {
            const QString& text = m_lines.at(i);
            QByteArray known = SettingsMemo::recall(file, text);
            if (!known.isNull()) {
                *out += known;
            } else {
                bool ok = true;
                *out += Cp932::encodeKeepingBytes(text, &ok);
                if (!ok) return false;
            }
        }
        *out += "\r\n";
    }
    return true;
}

QByteArray LineBuffer::encodeUtf8() const
{
    // With no line there is nothing to mark: the file is written empty, as
    // a file of no lines in either encoding reads back the same.
    if (m_lines.isEmpty()) return QByteArray();
    QByteArray out = kBom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const Raw& r = m_raw.at(i);
        // Lone surrogates (bytes that were not valid text) go back as those bytes.
        out += r.kind == Kind::Utf8Bytes ? r.bytes : FsPath::encodeName(m_lines.at(i));
        out += "\r\n";
    }
    return out;
}

QByteArray LineBuffer::bytesFor(const QString& path) const
{
    // A line given as text must stay one line: a line break in it would shift
    // every later line of the file (lines read from a file never hold one).
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString& text = m_lines.at(i);
        if (m_raw.at(i).kind == Kind::Text && (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))))
            throw VarError::lineBreakInValue(path.isEmpty() ? QStringLiteral("(名前なし)") : path, text);
    }
    // Lines copied as bytes decide the encoding (a copied file keeps its own);
    // otherwise the file keeps the encoding it was read in. CP932 gives way to
    // UTF-8 only for text that has no CP932 form.
    bool anyCp932 = false, anyUtf8 = false;
    for (const Raw& r : m_raw) {
        anyCp932 = anyCp932 || r.kind == Kind::Cp932Bytes;
        anyUtf8 = anyUtf8 || r.kind == Kind::Utf8Bytes;
    }
    const bool utf8 = anyUtf8 || (!anyCp932 && SettingsMemo::readAsUtf8(path));
    if (!utf8) {
        QByteArray out;
        if (encodeCp932(path, &out)) return out;
    }
    return encodeUtf8();
}

QByteArray LineBuffer::toBytes() const
{
    return bytesFor(QString());
}

void LineBuffer::save(const QString& path) const
{
    saveFileAtomically(path, bytesFor(path));
}
