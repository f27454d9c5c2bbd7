#include "BigTextMemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QLocale>

#include "VarError.h"

#include <algorithm>
#include <limits>
#include <new>

#include <sys/resource.h>
#include <unistd.h>

namespace BigTextMemory {

namespace {

constexpr qint64 kUnlimited = std::numeric_limits<qint64>::max();

// A "Key:   1234 kB" line of a /proc file, in bytes; -1 when absent.
qint64 procField(const char* file, const QByteArray& key)
{
    QFile f(QString::fromLatin1(file));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    // These files are a few kilobytes; a bound keeps a strange one harmless.
    for (const QByteArray& line : f.read(64 * 1024).split('\n')) {
        if (!line.startsWith(key)) continue;
        const QList<QByteArray> parts = line.mid(key.size()).simplified().split(' ');
        bool ok = false;
        const qint64 kb = parts.value(0).toLongLong(&ok);
        if (ok && kb >= 0 && kb < kUnlimited / 1024) return kb * 1024;
    }
    return -1;
}

} // namespace

qint64 clipboardBytes(qint64 chars)
{
    if (chars <= 0) return 0;
    // 2 bytes a unit for the text, 3 for the conversion's first allocation.
    if (chars > kUnlimited / 5) return kUnlimited;
    return chars * 5;
}

qint64 availableMemory()
{
    const qint64 avail = procField("/proc/meminfo", "MemAvailable:");
    if (avail >= 0) return avail;
    const long pages = sysconf(_SC_AVPHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : kUnlimited;
}

qint64 addressSpaceLeft()
{
    struct rlimit lim;
    if (getrlimit(RLIMIT_AS, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY) return kUnlimited;
    const qint64 limit = lim.rlim_cur > rlim_t(kUnlimited) ? kUnlimited : qint64(lim.rlim_cur);
    const qint64 used = procField("/proc/self/status", "VmSize:");
    if (used < 0) return limit / 2; // unknown use: assume half is taken
    return std::max<qint64>(0, limit - used);
}

qint64 room() { return std::min(availableMemory(), addressSpaceLeft()); }

bool clipboardFits(qint64 chars, qint64 room)
{
    const qint64 need = clipboardBytes(chars);
    return need <= room / 2;
}

Refusal clipboardRefusal(qint64 chars)
{
    if (chars <= 0) return Refusal::None;
    if (chars > kClipboardChars) return Refusal::TooLong;
    return clipboardFits(chars, room()) ? Refusal::None : Refusal::NoMemory;
}

bool clipboardFits(qint64 chars) { return clipboardRefusal(chars) == Refusal::None; }

QString tooLongMessage(qint64 chars)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return QStringLiteral("選択範囲は %1 文字あり、一度にコピーできる %2 文字を超えています")
        .arg(japanese.toString(chars), japanese.toString(kClipboardChars));
}

void requireClipboard(qint64 chars)
{
    switch (clipboardRefusal(chars)) {
    case Refusal::None: return;
    case Refusal::TooLong: throw VarError(tooLongMessage(chars));
    case Refusal::NoMemory: throw std::bad_alloc();
    }
}

} // namespace BigTextMemory
