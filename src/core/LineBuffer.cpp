#include "LineBuffer.h"

#include "Cp932.h"
#include "FsPath.h"
#include "VarError.h"

#include <cerrno>
#include <csignal>
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

void saveFileAtomically(const QString& path, const QByteArray& bytes)
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
