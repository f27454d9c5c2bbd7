#include "BigTextSource.h"

#include "VarError.h"

#include <QStringList>

#include <algorithm>

#include <unistd.h>

namespace {

// Makes d hold exactly the counts the scan found, after the file changed under
// us: its lines are kept as far as they fit, the rest is blank.
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

BigTextSource::BigTextSource(int fd, std::unique_ptr<TextCodec> codec) : m_fd(fd), m_codec(std::move(codec)) {}

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
    BigTextScan::Decoded d = BigTextScan::decode(source.codec(), bytes.data(), got);
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
