#include "BigTextSource.h"

#include "FsPath.h"
#include "VarError.h"

#include <QStringList>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes compared at each end of a file that grew, to tell an append from a rewrite.
constexpr qint64 kSampleBytes = 4096;

QByteArray sample(int fd, qint64 offset, qint64 size)
{
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    try {
        bytes.resize(qsizetype(BigTextScan::readAt(fd, offset, bytes.data(), size)));
    } catch (const VarError&) {
        bytes.clear();
    }
    return bytes;
}

// Makes d hold exactly the counts the scan found, when decoding gave others:
// its lines are kept as far as they fit, the rest is blank. (Read from a file
// that changed, such a text is never shown: see BigTextSource::verify.)
void conform(BigTextScan::Decoded& d, qint64 chars, qint64 newlines, bool endsWithNewline)
{
    const qint64 segments = newlines + (endsWithNewline ? 0 : 1);
    qint64 budget = chars - newlines;
    const QStringList old = d.text.split(u'\n');
    QString out;
    out.reserve(chars);
    for (qint64 r = 0; r < segments; ++r) {
        if (r < old.size()) {
            const qint64 take = std::min<qint64>(old[r].size(), budget);
            out += QStringView(old[r]).left(take);
            budget -= take;
        }
        if (r + 1 < segments || endsWithNewline) out += u'\n';
    }
    if (budget > 0) out.insert(endsWithNewline ? out.size() - 1 : out.size(), QString(budget, u' '));
    d.text = out;
    d.index();
}

} // namespace

BigTextSource::BigTextSource(int fd, std::unique_ptr<TextCodec> codec, const QString& path)
    : m_fd(fd), m_codec(std::move(codec)), m_path(path)
{
    struct stat st;
    if (::fstat(fd, &st) == 0) m_opened = {qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    m_seen = m_opened;
    const qint64 size = std::max<qint64>(m_opened.size, 0);
    m_head = sample(fd, 0, std::min(size, kSampleBytes));
    m_tail = sample(fd, std::max<qint64>(0, size - kSampleBytes), std::min(size, kSampleBytes));
}

bool BigTextSource::samplesHold() const
{
    return sample(m_fd, 0, m_head.size()) == m_head
           && sample(m_fd, std::max<qint64>(0, m_opened.size - m_tail.size()), m_tail.size()) == m_tail;
}

BigTextSource::State BigTextSource::verify() const
{
    if (changed()) return State::Changed;
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return State::Same; // an open descriptor: not to happen
    const Stamp now{qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    std::lock_guard lock(m_mutex);
    if (now == m_seen) return m_seenState;
    // Only a file that grew can still hold what was shown; one rewritten at
    // the same size is told by its time (a mere touch counts as a rewrite).
    State state = State::Changed;
    if (now.size > m_opened.size) state = samplesHold() ? State::Kept : State::Changed;
    else if (now == m_opened) state = State::Same;
    m_seen = now;
    m_seenState = state;
    if (state == State::Changed) m_changed.store(true, std::memory_order_release);
    return state;
}

BigTextSource::State BigTextSource::watch() const
{
    const State state = verify();
    if (state != State::Same || m_path.isEmpty()) return state;
    struct stat mine, named;
    if (::fstat(m_fd, &mine) != 0) return state;
    const bool same = ::stat(FsPath::encodeName(m_path).constData(), &named) == 0 && named.st_dev == mine.st_dev
                      && named.st_ino == mine.st_ino;
    return same && mine.st_nlink > 0 ? State::Same : State::Kept;
}

BigTextSource::~BigTextSource()
{
    if (m_fd >= 0) ::close(m_fd);
}

BigTextScan::Decoded readPart(const BigTextSource& source, const BigTextPart& part)
{
    std::vector<char> bytes(size_t(part.bytes));
    qint64 got = 0;
    try {
        got = BigTextScan::readAt(source.fd(), part.offset, bytes.data(), part.bytes);
    } catch (const VarError&) {
        got = 0; // shown blank, like a part cut off the file
    }
    source.verify();
    BigTextScan::Decoded d = BigTextScan::decode(source.codec(), bytes.data(), got, part.state);
    if (d.text.size() != part.chars || d.newlines() != part.newlines || d.endsWithNewline() != part.endsWithNewline)
        conform(d, part.chars, part.newlines, part.endsWithNewline);
    return d;
}

qint64 BigTextSpan::chars() const
{
    qint64 n = 0;
    for (const BigTextPart& p : parts) n += p.chars;
    return n;
}

std::shared_ptr<const BigTextScan::Decoded> BigTextSpan::text(size_t index) const
{
    const BigTextPart& p = parts[index];
    if (p.own) return p.own;
    return std::make_shared<const BigTextScan::Decoded>(readPart(*source, p));
}
