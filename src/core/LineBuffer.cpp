#include "LineBuffer.h"

#include "Cp932.h"
#include "FsPath.h"
#include "LineSplitter.h"
#include "SettingsMemo.h"
#include "VarError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// While it lives, exceeding the file-size limit makes write() fail with EFBIG
// instead of ending the process by SIGXFSZ; the disposition is restored after,
// so programs started later inherit the usual one.
class FileSizeSignalIgnored {
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ign {};
        ign.sa_handler = SIG_IGN;
        sigemptyset(&ign.sa_mask);
        m_ok = ::sigaction(SIGXFSZ, &ign, &m_old) == 0;
    }
    ~FileSizeSignalIgnored()
    {
        if (m_ok) ::sigaction(SIGXFSZ, &m_old, nullptr);
    }
    FileSizeSignalIgnored(const FileSizeSignalIgnored&) = delete;
    FileSizeSignalIgnored& operator=(const FileSizeSignalIgnored&) = delete;

private:
    struct sigaction m_old {};
    bool m_ok = false;
};

// The file a settings name stands for: a symbolic link is followed to the file
// it names (also when that file does not exist yet), so that the link stays a
// link and its target is what gets updated.
QByteArray resolveLinks(QByteArray path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        QByteArray target(4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
        if (n <= 0 || n >= target.size()) return path;
        target.truncate(n);
        if (!target.startsWith('/')) {
            const qsizetype slash = path.lastIndexOf('/');
            target = (slash >= 0 ? path.left(slash + 1) : QByteArray()) + target;
        }
        path = target;
    }
    return path;   // a loop of links: the rename below fails like any other
}

} // namespace

void saveFileAtomically(const QString& path, const QByteArray& bytes, Durability durability)
{
    // Written by hand rather than with QSaveFile: with the disk full, QSaveFile
    // accepts a short write and commits a truncated file. Here every byte is
    // checked, the data is synced, and only then does the new file replace the
    // old one, so a failure at any point leaves the old file whole and removes
    // the temporary one.
    const QByteArray target = resolveLinks(FsPath::encodeName(path));
    // A file the user made read-only is one that cannot be written, even where
    // the folder would allow replacing it.
    struct stat st;
    const bool existed = ::stat(target.constData(), &st) == 0;
    if (existed && (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(target.constData(), W_OK) != 0))
        throw VarError::cannotCreate(path);
    const FileSizeSignalIgnored noSignal;
    QByteArray temp = target + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) throw VarError::cannotCreate(path);
    auto fail = [&]() {
        ::close(fd);
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    };
    // Keep the permissions of the file being replaced (0644 for a new one).
    const mode_t mode = existed ? (st.st_mode & 07777) : 0644;
    if (::fchmod(fd, mode) != 0) fail();
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail();
        p += n;
        left -= n;
    }
    if (durability == Durability::Synced && ::fsync(fd) != 0) fail();
    if (::close(fd) != 0) {
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    }
    // Make the rename itself durable.
    if (durability == Durability::Unsynced) return;
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? target.left(slash) : (slash == 0 ? QByteArray("/") : QByteArray("."));
    int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
