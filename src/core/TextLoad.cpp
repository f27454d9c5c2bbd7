#include "TextLoad.h"

#include "BigTextMemory.h"
#include "BigTextScan.h"
#include "FsPath.h"
#include "TextDetect.h"
#include "VarError.h"

#include <algorithm>
#include <new>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace TextLoad {

namespace {

// The encoding is found from the head of the file: enough to decide, and
// bounded, so that a huge file is recognised at once.
constexpr qint64 kSampleBytes = 1 << 20;

// A large buffer that was sized for the worst case gives back what it did not need.
void trim(QString& text)
{
    if (text.capacity() - text.size() > text.size() / 8 + 1024) text.squeeze();
}

// Reads at most maxBytes from the start of the open file.
QByteArray readHead(int fd, qint64 maxBytes)
{
    QByteArray bytes(qsizetype(maxBytes), Qt::Uninitialized);
    bytes.resize(qsizetype(BigTextScan::readAt(fd, 0, bytes.data(), maxBytes)));
    return bytes;
}

QByteArray readWhole(int fd, qint64 knownSize, qint64 limit)
{
    if (knownSize > limit) throw VarError::streamRead();
    QByteArray bytes = readHead(fd, knownSize);
    // A file that grew since it was examined is read on to its end, within the limit.
    for (char more[64 * 1024];;) {
        const qint64 got = BigTextScan::readAt(fd, bytes.size(), more, sizeof more);
        if (got == 0) break;
        if (bytes.size() + got > limit) throw VarError::streamRead();
        bytes.append(more, qsizetype(got));
    }
    return bytes;
}

} // namespace

QString decodeAs(TextEncoding encoding, const char* data, qsizetype size, const Options& options)
{
    const int skip = TextCodec::bomLength(encoding, data, size);
    QString text;
    TextCodec::create(encoding)->decode(data + skip, size - skip, text);
    if (options.unifyLineBreaks) {
        BigTextScan::normalize(text);
    } else if (text.contains(QChar(u'\0'))) {
        text.replace(QChar(u'\0'), QChar(0xFFFD));
    }
    trim(text);
    return text;
}

Decoded decode(const char* data, qsizetype size, const Options& options)
{
    const TextDetect::Detection d = TextDetect::detect(data, size);
    return {decodeAs(d.encoding, data, size, options), d.encoding, d.bom};
}

OpenFile::OpenFile(const QString& path)
    : m_fd(::open(FsPath::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
{
}

OpenFile::~OpenFile()
{
    if (m_fd >= 0) ::close(m_fd);
}

OpenFile::OpenFile(OpenFile&& other) noexcept : m_fd(other.release()) {}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int OpenFile::release() { return std::exchange(m_fd, -1); }

qint64 wholeLimit(qint64 configured)
{
    // The pane counts positions in int, and the text takes several times the
    // file's size on its way in (bytes, decoded text, the widget's copy).
    const qint64 hard = qint64(1) << 30;
    if (configured > 0) return std::min(configured, hard);
    return std::min(hard, BigTextMemory::room() / 6);
}

Content readFile(const QString& path, qint64 configuredLimit)
{
    OpenFile file(path);
    struct stat st;
    if (file.fd() < 0 || ::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode))
        throw VarError::cannotOpen(path);   // gone, or a device or pipe that is no file to show
    try {
        // Only the head is read here; a piecewise text is read by its document.
        const QByteArray head = readHead(file.fd(), kSampleBytes);
        Content c;
        if (RtfReader::isRtf(head)) {
            // Read and parsed on a worker; only its size is weighed here.
            c.limit = wholeLimit(configuredLimit);
            if (qMax<qint64>(st.st_size, head.size()) > c.limit) throw VarError::streamRead();
            c.kind = Content::Kind::RichFile;
            c.file = std::move(file);
            return c;
        }
        c.encoding = TextDetect::detect(head).encoding;
        c.kind = Content::Kind::File;
        c.file = std::move(file);
        return c;
    } catch (const std::bad_alloc&) {
        throw VarError::streamRead();
    }
}

Content readPlain(int fd, qint64 limit)
{
    try {
        struct stat st;
        if (::fstat(fd, &st) != 0) throw VarError::streamRead();
        const QByteArray bytes = readWhole(fd, st.st_size, limit);
        Decoded d = decode(bytes, Options{true});
        Content c;
        c.encoding = d.encoding;
        c.text = std::move(d.text);
        return c;
    } catch (const std::bad_alloc&) {
        throw VarError::streamRead();
    }
}

Content readBytes(QByteArray bytes)
{
    try {
        Content c;
        if (RtfReader::isRtf(bytes)) {
            if (std::optional<RtfReader::Document> doc = RtfReader::read(bytes)) {
                c.kind = Content::Kind::Rich;
                c.rich = std::move(*doc);
                return c;
            }
        }
        Decoded d = decode(bytes, Options{true});
        c.encoding = d.encoding;
        c.text = std::move(d.text);
        return c;
    } catch (const std::bad_alloc&) {
        throw VarError::streamRead();
    }
}

} // namespace TextLoad
