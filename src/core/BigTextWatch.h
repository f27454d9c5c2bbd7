#pragma once
#include "BigTextJobs.h"
#include "BigTextSource.h"

#include <QObject>
#include <QTimer>

#include <memory>

// Looks at the file a big text shows, and at where its name leads, every
// interval while it is shown, and when asked. The look is a worker's: a
// system call on a file system that hangs holds up that worker, never the
// event loop, and no second look starts while one is under way. What a look
// found comes back on this object's thread, for the file being watched only.
class BigTextWatch : public QObject {
    Q_OBJECT
public:
    explicit BigTextWatch(QObject* parent = nullptr);
    ~BigTextWatch() override;

    static constexpr int kIntervalMs = 500;

    // Watches source from now on (null: nothing); a look under way for the
    // one before is dropped.
    void watch(std::shared_ptr<const BigTextSource> source);
    // A look now, unless one is under way.
    void lookNow();

Q_SIGNALS:
    void looked(const BigTextSource::Look& look);

private:
    QTimer m_timer;
    std::shared_ptr<const BigTextSource> m_source;
    std::shared_ptr<BigTextJob> m_job;
};
