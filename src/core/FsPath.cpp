#include "FsPath.h"

#include <algorithm>
#include <functional>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FsPath {

namespace {
// Length of a valid UTF-8 sequence starting at p, or 0; its code point in *cpOut.
int utf8Length(const unsigned char* p, qsizetype left, char32_t* cpOut)
{
    unsigned char c = p[0];
    int len;
    char32_t cp;
    if (c < 0x80) { *cpOut = c; return 1; }
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return 0;
    if (left < len) return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    *cpOut = cp;
    return len;
}
} // namespace

QString decodeName(const QByteArray& bytes)
{
    // Decoded by hand rather than with the toolkit's decoder, which drops a
    // byte-order mark at the start of its input.
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        char32_t cp = 0;
        const int len = utf8Length(p + i, n - i, &cp);
        if (len == 0) {
            out.append(QChar(char16_t(0xDC00 + p[i])));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            out.append(QChar(QChar::highSurrogate(cp)));
            out.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            out.append(QChar(char16_t(cp)));
        }
        i += len;
    }
    return out;
}

QByteArray encodeName(const QString& name)
{
    QByteArray out;
    out.reserve(name.size() * 3);
    const QChar* s = name.constData();
    qsizetype n = name.size();
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char16_t u = s[i].unicode();
        bool lowSurrogate = u >= 0xDC80 && u <= 0xDCFF;
        bool paired = lowSurrogate && i > 0 && s[i - 1].isHighSurrogate();
        if (lowSurrogate && !paired) {
            out += QStringView(s + runStart, i - runStart).toUtf8();
            out.append(static_cast<char>(u - 0xDC00));
            runStart = i + 1;
        }
    }
    out += QStringView(s + runStart, n - runStart).toUtf8();
    return out;
}

Kind kind(const QString& path)
{
    struct stat st;
    if (::stat(encodeName(path).constData(), &st) != 0) return Kind::Missing;
    if (S_ISDIR(st.st_mode)) return Kind::Folder;
    if (S_ISREG(st.st_mode)) return Kind::File;
    return Kind::Other;
}

bool exists(const QString& path)
{
    struct stat st;
    return ::stat(encodeName(path).constData(), &st) == 0;
}

bool remove(const QString& path)
{
    return ::unlink(encodeName(path).constData()) == 0;
}

bool readChunks(const QString& path, qint64 maxBytes, const std::function<bool(QByteArrayView, qint64)>& sink)
{
    int fd = ::open(encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // The size of a regular file, so that a reader can take it in one allocation.
    const qint64 size = S_ISREG(st.st_mode) ? std::min<qint64>(st.st_size, maxBytes) : 0;
    char buf[65536];
    qint64 done = 0;
    bool ok = true;
    while (done < maxBytes) {
        const qint64 chunk = std::min<qint64>(sizeof buf, maxBytes - done);
        const ssize_t r = ::read(fd, buf, static_cast<size_t>(chunk));
        if (r < 0) {
            if (errno == EINTR) continue;
            // A FIFO or device with nothing to read is treated as empty.
            if (errno == EAGAIN) break;
            ok = false;
            break;
        }
        if (r == 0) break;
        done += r;
        if (!sink(QByteArrayView(buf, r), size)) break;
    }
    ::close(fd);
    return ok;
}

bool readFile(const QString& path, QByteArray* out, qint64 maxBytes)
{
    out->clear();
    return readChunks(path, maxBytes, [out](QByteArrayView chunk, qint64 size) {
        if (out->isEmpty() && size > 0) out->reserve(size);
        out->append(chunk);
        return true;
    });
}

} // namespace FsPath
