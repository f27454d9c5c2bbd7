#include "LineBuffer.h"

#include "Cp932.h"
#include "FsPath.h"
#include "VarError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Written by hand rather than with QSaveFile: with the disk full, QSaveFile
    // accepts a short write and commits a truncated file. Here every byte is
    // checked, the data is synced, and only then does the new file replace the
    // old one, so a failure at any point leaves the old file whole.
    const QByteArray target = FsPath::encodeName(path);
    QByteArray temp = target + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) throw VarError::cannotCreate(path);
    auto fail = [&]() {
        ::close(fd);
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    };
    // Keep the permissions of the file being replaced (0644 for a new one).
    struct stat st;
    mode_t mode = (::stat(target.constData(), &st) == 0) ? (st.st_mode & 07777) : 0644;
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
    if (::fsync(fd) != 0) fail();
    if (::close(fd) != 0) {
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        throw VarError::cannotCreate(path);
    }
    // Make the rename itself durable.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = slash > 0 ? target.left(slash) : (slash == 0 ? QByteArray("/") : QByteArray("."));
    int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}
