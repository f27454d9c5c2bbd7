#include "SettingsMemo.h"

#include <QDir>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <list>

namespace {

struct FileMemo {
    QString key;
    bool utf8 = false;
    QHash<QString, QByteArray> lines;
    qint64 bytes = 0;
};

// What one remembered line costs: its text, its bytes and some bookkeeping.
qint64 cost(const QString& text, const QByteArray& bytes)
{
    return text.size() * qint64(sizeof(QChar)) + bytes.size() + 64;
}

struct Memo {
    QMutex mutex;
    std::list<FileMemo> files;   // oldest reading first
    qint64 bytes = 0;

    // The same file named as "dir/x" or "dir//x" is one file.
    static QString keyOf(const QString& file) { return file.isEmpty() ? file : QDir::cleanPath(file); }

    std::list<FileMemo>::iterator find(const QString& key)
    {
        for (auto it = files.begin(); it != files.end(); ++it)
            if (it->key == key) return it;
        return files.end();
    }
    void drop(std::list<FileMemo>::iterator it)
    {
        bytes -= it->bytes;
        files.erase(it);
    }
};

Memo& memo()
{
    static Memo m;
    return m;
}

} // namespace

namespace SettingsMemo {

void beginFile(const QString& file, bool utf8)
{
    Memo& m = memo();
    const QString key = Memo::keyOf(file);
    QMutexLocker lock(&m.mutex);
    auto it = m.find(key);
    if (it != m.files.end()) m.drop(it);
    while (static_cast<int>(m.files.size()) >= MaxFiles) m.drop(m.files.begin());
    FileMemo f;
    f.key = key;
    f.utf8 = utf8;
    m.files.push_back(std::move(f));
}

void remember(const QString& file, const QString& text, const QByteArray& bytes)
{
    Memo& m = memo();
    const QString key = Memo::keyOf(file);
    QMutexLocker lock(&m.mutex);
    auto it = m.find(key);
    if (it == m.files.end() || it->lines.contains(text)) return;
    const qint64 c = cost(text, bytes);
    // Make room by forgetting older files; the newest reading is kept whole as
    // far as it fits.
    while (m.bytes + c > MaxBytes && m.files.begin() != it) m.drop(m.files.begin());
    if (m.bytes + c > MaxBytes) return;
    it->lines.insert(text, bytes);
    it->bytes += c;
    m.bytes += c;
}

QByteArray recall(const QString& file, const QString& text)
{
    Memo& m = memo();
    const QString key = Memo::keyOf(file);
    QMutexLocker lock(&m.mutex);
    auto it = m.find(key);
    if (it == m.files.end()) return QByteArray();
    return it->lines.value(text);
}

bool readAsUtf8(const QString& file)
{
    Memo& m = memo();
    const QString key = Memo::keyOf(file);
    QMutexLocker lock(&m.mutex);
    auto it = m.find(key);
    return it != m.files.end() && it->utf8;
}

qint64 bytesInUse()
{
    QMutexLocker lock(&memo().mutex);
    return memo().bytes;
}

int filesInUse()
{
    QMutexLocker lock(&memo().mutex);
    return static_cast<int>(memo().files.size());
}

} // namespace SettingsMemo
