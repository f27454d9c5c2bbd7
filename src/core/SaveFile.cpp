#include "SaveFile.h"

#include "FsPath.h"
#include "VarError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMark(".vardolin-tmp-");
constexpr int kSuffix = 6;   // what mkostemp fills in: letters and digits

void doNothing(int) {}

// Exceeding the file-size limit raises SIGXFSZ, which by default ends the
// process; caught, it makes write() fail with EFBIG instead, a save error like
// any other. The handler is set once for the process and stays: a caught signal
// goes back to its default in every program the process starts (an ignored one
// would be inherited), so there is nothing to restore after a save, and saves
// that overlap cannot undo each other's setting. A disposition that someone
// else chose is left alone.
void catchFileSizeSignal()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction now {};
        if (::sigaction(SIGXFSZ, nullptr, &now) != 0 || (now.sa_flags & SA_SIGINFO) || now.sa_handler != SIG_DFL)
            return;
        struct sigaction caught {};
        caught.sa_handler = doNothing;
        sigemptyset(&caught.sa_mask);
        caught.sa_flags = SA_RESTART;
        ::sigaction(SIGXFSZ, &caught, nullptr);
    });
}

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

int lockExclusive(int fd, int how)
{
    int r;
    do {
        r = ::flock(fd, how);
    } while (r != 0 && errno == EINTR);
    return r;
}

// The temporary file of one save: made beside the file it replaces, locked
// while it is open, and removed again unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(const QByteArray& target)
    {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray pattern =
            target.left(slash + 1) + '.' + target.mid(slash + 1) + kMark + QByteArray(kSuffix, 'X');
        // A clean-up at another start can take a file between its making and
        // this lock; it unlinks the file before it lets go of the lock, so a
        // file that has no name once locked is dropped and another one made.
        for (int tries = 0; tries < 8 && m_fd < 0; ++tries) {
            QByteArray name = pattern;
            const int fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd < 0) return;
            // A file system without locks still saves; its temporary files are
            // then never anyone else's to remove.
            const bool locked = lockExclusive(fd, LOCK_EX) == 0;
            struct stat st;
            if (locked && (::fstat(fd, &st) != 0 || st.st_nlink == 0)) {
                ::close(fd);
                continue;
            }
            m_fd = fd;
            m_name = name;
        }
    }
    ~TempFile()
    {
        // Removed before the lock goes, so no clean-up ever finds it unheld.
        if (!m_name.isEmpty()) ::unlink(m_name.constData());
        if (m_fd >= 0) ::close(m_fd);
        if (m_held >= 0) ::close(m_held);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return m_fd; }
    const QByteArray& name() const { return m_name; }
    // Closes the written descriptor and reports its error, while a second
    // descriptor of the same open file keeps the lock until the rename.
    bool closeKeepingLock()
    {
        m_held = ::fcntl(m_fd, F_DUPFD_CLOEXEC, 0);
        const bool closed = ::close(m_fd) == 0;
        m_fd = -1;
        return m_held >= 0 && closed;
    }
    void renamed() { m_name.clear(); }

private:
    int m_fd = -1;
    int m_held = -1;
    QByteArray m_name;
};

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
    catchFileSizeSignal();
    TempFile temp(target);
    if (temp.fd() < 0) throw VarError::cannotCreate(path);
    // Keep the permissions of the file being replaced (0644 for a new one).
    const mode_t mode = existed ? (st.st_mode & 07777) : 0644;
    if (::fchmod(temp.fd(), mode) != 0) throw VarError::cannotCreate(path);
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(temp.fd(), p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw VarError::cannotCreate(path);
        p += n;
        left -= n;
    }
    if (durability == Durability::Synced && ::fsync(temp.fd()) != 0) throw VarError::cannotCreate(path);
    if (!temp.closeKeepingLock() || ::rename(temp.name().constData(), target.constData()) != 0)
        throw VarError::cannotCreate(path);
    temp.renamed();
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

namespace SaveTemp {

bool isTempOf(const QString& fileName, const QString& name)
{
    const QString prefix = QLatin1Char('.') + name + QLatin1String(kMark);
    if (fileName.size() != prefix.size() + kSuffix || !fileName.startsWith(prefix)) return false;
    for (qsizetype i = prefix.size(); i < fileName.size(); ++i) {
        const char16_t c = fileName.at(i).unicode();
        const bool alnum = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        if (!alnum) return false;
    }
    return true;
}

bool removeIfAbandoned(const QByteArray& path)
{
    // Only a regular file is opened (never a device or a pipe), and not
    // through a link: a link of that name is someone's.
    struct stat named;
    if (::lstat(path.constData(), &named) != 0 || !S_ISREG(named.st_mode)) return false;
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    bool removed = false;
    struct stat held;
    // A save holds its file's lock until the file is renamed or removed; a file
    // whose lock cannot be taken is left alone, whatever the reason.
    // Once locked, the name must still be this very file: a save that ended
    // meanwhile has renamed it away.
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid()
        && lockExclusive(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.constData(), &named) == 0
        && named.st_dev == held.st_dev && named.st_ino == held.st_ino)
        removed = ::unlink(path.constData()) == 0;
    ::close(fd);
    return removed;
}

} // namespace SaveTemp
