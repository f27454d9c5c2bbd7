#include "Platform.h"

#include "FsPath.h"
#include "Wildcard.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

bool isAscii(const char* s, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

struct Found {
    QString key;    // the name folded for sorting
    QString name;
};

QString sortKey(const QString& name)
{
    QString key(name.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(key.data());
    const char16_t* in = reinterpret_cast<const char16_t*>(name.utf16());
    for (qsizetype i = 0; i < name.size(); ++i) out[i] = Wildcard::fold(in[i]);
    return key;
}

struct DirCloser {
    void operator()(DIR* d) const { if (d) ::closedir(d); }
};

} // namespace

// One pass over the folder with the entry types the directory reports; only an
// entry whose type is unknown or a symbolic link costs a stat (following the
// link, so that a link to a file is listed and a dangling one is not).
QStringList RealPlatform::findFiles(const QString& folder, const QString& pattern)
{
    const Wildcard mask(pattern);
    if (mask.isEmpty()) return {};
    const QByteArray dirBytes = folder.isEmpty() ? QByteArray(".") : FsPath::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(dirBytes.constData()));
    if (!dir) return {};
    const int fd = ::dirfd(dir.get());

    std::vector<Found> found;
    while (const dirent* e = ::readdir(dir.get())) {
        const unsigned char type = e->d_type;
        if (type != DT_REG && type != DT_LNK && type != DT_UNKNOWN) continue;
        const char* raw = e->d_name;
        const size_t len = std::strlen(raw);
        QString name;
        if (isAscii(raw, len)) {
            if (!mask.matchesLatin1(raw, static_cast<qsizetype>(len))) continue;
            name = QString::fromLatin1(raw, static_cast<qsizetype>(len));
        } else {
            // Names that are not valid UTF-8 keep their stray bytes, so that
            // the name can be turned back into the same bytes and opened.
            name = FsPath::decodeName(QByteArray::fromRawData(raw, static_cast<qsizetype>(len)));
            if (!mask.matches(name)) continue;
        }
        if (type != DT_REG) {
            struct stat st;
            if (::fstatat(fd, raw, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        }
        found.push_back({sortKey(name), std::move(name)});
    }
    dir.reset();

    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    QStringList names;
    names.reserve(static_cast<qsizetype>(found.size()));
    for (Found& f : found) names.append(std::move(f.name));
    return names;
}
