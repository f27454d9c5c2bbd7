#include "Platform.h"

#include "BigTextJobs.h"
#include "FsPath.h"
#include "VarError.h"
#include "Wildcard.h"

#include <algorithm>
#include <chrono>
#include <thread>
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


struct DirCloser {
    void operator()(DIR* d) const { if (d) ::closedir(d); }
};


std::atomic<int> g_entryDelayUs{0};

// One pass over the folder with the entry types the directory reports; only an
// entry whose type is unknown or a symbolic link costs a stat (following the
// link, so that a link to a file is listed and a dangling one is not). The
// names go to flush in batches, by count or, on a slow folder, by time, so
// that the first ones are seen soon; a set cancel flag ends the pass.
void scanFolder(const QString& folder, const QString& pattern, const std::atomic<bool>* cancel,
                const std::function<void(QStringList&)>& flush)
{
    using Clock = std::chrono::steady_clock;
    constexpr qsizetype kBatch = 4096;
    constexpr auto kBatchTime = std::chrono::milliseconds(25);
    const Wildcard mask(pattern);
    if (mask.isEmpty()) return;
    const QByteArray dirBytes = folder.isEmpty() ? QByteArray(".") : FsPath::encodeName(folder);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(dirBytes.constData()));
    if (!dir) return;
    const int fd = ::dirfd(dir.get());
    const int delayUs = g_entryDelayUs.load(std::memory_order_relaxed);

    QStringList batch;
    auto flushed = Clock::now();
    auto handOver = [&] {
        if (!batch.isEmpty()) flush(batch);
        batch.clear();
        flushed = Clock::now();
    };
    while (const dirent* e = ::readdir(dir.get())) {
        if (cancel && cancel->load(std::memory_order_relaxed)) return;
        if (delayUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        if (batch.size() >= kBatch || (!batch.isEmpty() && Clock::now() - flushed >= kBatchTime)) handOver();
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
        batch.append(std::move(name));
    }
    dir.reset();
    handOver();
}

// Cancels its job when the window lets go of the listing.
class JobListing : public FileListing {
public:
    explicit JobListing(std::shared_ptr<BigTextJob> job) : m_job(std::move(job)) {}
    ~JobListing() override { m_job->cancel(); }

private:
    std::shared_ptr<BigTextJob> m_job;
};

} // namespace

void RealPlatform::setEntryDelay(int microseconds) { g_entryDelayUs.store(std::max(0, microseconds)); }

QStringList RealPlatform::findFiles(const QString& folder, const QString& pattern)
{
    std::vector<Found> found;
    scanFolder(folder, pattern, nullptr, [&](QStringList& batch) {
        for (QString& n : batch) found.push_back({Wildcard::sortKey(n), std::move(n)});
    });
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    QStringList names;
    names.reserve(static_cast<qsizetype>(found.size()));
    for (Found& f : found) names.append(std::move(f.name));
    return names;
}

std::unique_ptr<FileListing> RealPlatform::listFiles(const QString& folder, const QString& pattern, Keep keep,
                                                     QObject* receiver, ListingSink sink)
{
    auto job = std::make_shared<BigTextJob>(receiver);
    job->setDetached();
    BigTextJob* j = job.get();
    auto shared = std::make_shared<const ListingSink>(std::move(sink));
    job->start([j, folder, pattern, keep = std::move(keep), shared] {
        QString error;
        try {
            scanFolder(folder, pattern, j->flag(), [&](QStringList& batch) {
                if (keep) batch.removeIf([&](const QString& n) { return !keep(n); });
                if (!batch.isEmpty()) j->post([shared, names = std::move(batch)] { shared->found(names); });
            });
        } catch (const VarError& e) {
            error = e.message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("メモリが不足しています");
        }
        if (!j->cancelled()) j->post([shared, error] { shared->ended(error); });
    });
    return std::make_unique<JobListing>(std::move(job));
}
