#include "BigTextSource.h"

#include "FsPath.h"
#include "VarError.h"

#include <QStringList>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// What stands for the text of a part whose bytes are not the ones indexed:
// the shape the index gave, no text of the file. Never shown (see readPart).
BigTextScan::Decoded blankShape(const BigTextPart& part)
{
    BigTextScan::Decoded d;
    const qint64 segments = part.newlines + (part.endsWithNewline ? 0 : 1);
    const qint64 fill = std::max<qint64>(0, part.chars - part.newlines);
    d.text.reserve(part.chars);
    for (qint64 r = 0; r < segments; ++r) {
        if (r == 0) d.text += QString(fill, u' ');
        if (r + 1 < segments || part.endsWithNewline) d.text += u'\n';
    }
    d.index();
    return d;
}

// Makes text whose bytes were confirmed hold the counts the index gave, when
// those were counted quickly and not corrected yet (text that is not well
// formed): its lines are kept as far as they fit, the rest is blank.
void fitCounts(BigTextScan::Decoded& d, qint64 chars, qint64 newlines, bool endsWithNewline)
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

BigTextSource::Stamp BigTextSource::stampOf(const struct ::stat& st)
{
    Stamp s;
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    s.inode = quint64(st.st_ino);
    s.device = quint64(st.st_dev);
    return s;
}

BigTextSource::BigTextSource(int fd, std::unique_ptr<TextCodec> codec, const QString& path)
    : m_fd(fd), m_codec(std::move(codec)), m_path(path)
{
    struct stat st;
    if (::fstat(fd, &st) == 0) m_opened = stampOf(st);
    m_seen = m_opened;
}

void BigTextSource::indexed(const BigTextPart& first, const BigTextPart& last) const
{
    std::lock_guard lock(m_mutex);
    if (m_first.bytes == 0) m_first = {first.offset, first.bytes, first.digest};
    m_last = {last.offset, last.bytes, last.digest};
}

void BigTextSource::setChanged() const { m_changed.store(true, std::memory_order_release); }

// Under the lock.
bool BigTextSource::endsHold(const End& first, const End& last) const
{
    std::vector<char> bytes;
    for (const End& e : {first, last}) {
        if (e.bytes <= 0) continue;
        bytes.resize(size_t(e.bytes));
        try {
            if (BigTextScan::readAt(m_fd, e.offset, bytes.data(), e.bytes) != e.bytes) return false;
        } catch (const VarError&) {
            return false;
        }
        if (BigTextScan::digest(bytes.data(), e.bytes) != e.digest) return false;
    }
    return true;
}

BigTextSource::State BigTextSource::verify() const
{
    if (changed()) return State::Changed;
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return State::Same; // an open descriptor: not to happen
    const Stamp now = stampOf(st);
    End first, last;
    {
        std::lock_guard lock(m_mutex);
        if (now == m_seen) return m_seenState;
        first = m_first;
        last = m_last;
    }
    // Only a file that grew can still hold what was shown; one rewritten at
    // the same size is told by its times: its modification time (a mere
    // touch counts as a rewrite), or its change time, which cannot be put
    // back, unless a rename or deletion moved it on. Where times are too
    // coarse to tell, the digests tell when blocks are read again. Read and
    // looked up without the lock: a reader never waits for a look that is
    // stuck on a file system.
    State state = State::Changed;
    const bool same = now.inode == m_opened.inode && now.device == m_opened.device;
    if (now == m_opened) state = State::Same;
    else if (same && now.size > m_opened.size) state = endsHold(first, last) ? State::Kept : State::Changed;
    else if (same && now.size == m_opened.size && now.mtimeNs == m_opened.mtimeNs && named() != Named::File)
        state = endsHold(first, last) ? State::Same : State::Changed;
    std::lock_guard lock(m_mutex);
    m_seen = now;
    m_seenState = state;
    if (state == State::Changed) setChanged();
    return state;
}

BigTextSource::Look BigTextSource::look() const
{
    Look look;
    look.state = verify();
    quint64 stamps[2][5] = {};
    {
        std::lock_guard lock(m_mutex);
        stamps[0][0] = quint64(m_seen.size);
        stamps[0][1] = quint64(m_seen.mtimeNs);
        stamps[0][2] = quint64(m_seen.ctimeNs);
    }
    Stamp n;
    look.named = named(&n);
    stamps[1][0] = quint64(n.size);
    stamps[1][1] = quint64(n.mtimeNs);
    stamps[1][2] = quint64(n.ctimeNs);
    stamps[1][3] = n.inode;
    stamps[1][4] = n.device;
    stamps[0][3] = quint64(look.state);
    stamps[0][4] = quint64(look.named);
    look.mark = BigTextScan::digest(reinterpret_cast<const char*>(stamps), sizeof stamps);
    return look;
}

BigTextSource::Named BigTextSource::named(Stamp* stamp) const
{
    if (m_path.isEmpty()) return Named::File;
    struct stat st;
    if (::stat(FsPath::encodeName(m_path).constData(), &st) != 0) return Named::Nothing;
    const Stamp n = stampOf(st);
    if (stamp) *stamp = n;
    return n.inode == m_opened.inode && n.device == m_opened.device ? Named::File : Named::Other;
}

bool BigTextSource::confirm(const BigTextPart& part, const char* bytes, qint64 size) const
{
    if (size == part.bytes && BigTextScan::digest(bytes, size) == part.digest) return true;
    setChanged();
    return false;
}

BigTextSource::~BigTextSource()
{
    if (m_fd >= 0) ::close(m_fd);
}

BigTextScan::Decoded readPart(const BigTextSource& source, const BigTextPart& part)
{
    std::vector<char> bytes(size_t(part.bytes));
    qint64 got = -1;
    try {
        got = BigTextScan::readAt(source.fd(), part.offset, bytes.data(), part.bytes);
    } catch (const VarError&) {
        // Unreadable now: not the text indexed either.
    }
    if (got < 0 || !source.confirm(part, bytes.data(), got)) return blankShape(part);
    BigTextScan::Decoded d = BigTextScan::decode(source.codec(), bytes.data(), got, part.state);
    if (d.text.size() != part.chars || d.newlines() != part.newlines || d.endsWithNewline() != part.endsWithNewline)
        fitCounts(d, part.chars, part.newlines, part.endsWithNewline);
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
