#pragma once
// What the file-list suites share: a main window's fakes over a temporary home
// whose start folder holds files of several kinds (a dot file, names differing
// in case, other extensions) and a folder with a .txt name.
#include "FileListModel.h"
#include "FsPath.h"
#include "MainControls.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

// An empty file, named by the bytes the listing reads.
inline void touch(const QString& path)
{
    const int fd = ::open(FsPath::encodeName(path).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    QVERIFY2(fd >= 0, qPrintable(path));
    ::close(fd);
}

// The names the main window's list shows, in its order.
inline QStringList listed(const TForm1& w) { return ui(w).LViewModel->names(); }

class FileListFolder {
public:
    // From a suite's init(): every test function starts over.
    void reset()
    {
        env = std::make_unique<TestEnv>();
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        env->platform.home = home();
        QVERIFY(QDir().mkpath(start()));
        for (const char* n : {"b.txt", "A.TXT", ".hidden.txt", "notes.log", "photo.png", "c.txt"}) touch(start() + n);
        QVERIFY(QDir().mkpath(start() + "folder.txt"));
    }
    QString home() const { return m_home->path(); }
    // The desktop folder the main window starts in.
    QString start() const { return home() + QStringLiteral("/ﾃﾞｽｸﾄｯﾌﾟ/"); }

    std::unique_ptr<TestEnv> env;

private:
    std::unique_ptr<QTemporaryDir> m_home;
};
