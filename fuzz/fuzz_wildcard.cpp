// The file-name mask matcher on arbitrary masks and names: no crash, no
// runaway time, and "*" and "*.*" match every name.
#include "Wildcard.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString all = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype cut = all.indexOf(QChar(u'|'));
    const QString mask = cut < 0 ? all : all.left(cut);
    const QString name = cut < 0 ? QString() : all.mid(cut + 1);
    Wildcard w(mask);
    (void)w.matches(name);
    const QByteArray latin = name.toLatin1();
    (void)w.matchesLatin1(latin.constData(), latin.size());
    if (!name.isEmpty() && (!Wildcard(QStringLiteral("*")).matches(name) || !Wildcard(QStringLiteral("*.*")).matches(name)))
        std::abort();
    return 0;
}
