#pragma once
#include <QIcon>
#include <QImage>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>

class QObject;

// A listing under way (Platform::listFiles). Dropping it cancels the listing:
// nothing more of it reaches the receiver.
class FileListing {
public:
    FileListing() = default;
    FileListing(const FileListing&) = delete;
    FileListing& operator=(const FileListing&) = delete;
    virtual ~FileListing() = default;
};

// What a listing reports, on its receiver's thread.
struct ListingSink {
    // More names, in the order the folder gave them (not sorted).
    std::function<void(const QStringList& names)> found;
    // The listing is over; error is the text of what stopped it, or empty.
    std::function<void(const QString& error)> ended;
};

// Everything the program asks of the operating system and the desktop, behind
// one interface so that tests can put a recording fake in its place.
class Platform {
public:
    Platform() = default;
    // A service is shared by reference; a copy would be a silent second one.
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    virtual ~Platform() = default;

    // The user's home folder, without a trailing separator.
    virtual QString homeFolder() const = 0;

    // Names (without folder) of the regular files in `folder` whose names match
    // `pattern` the way the Windows search matches them: case-insensitive,
    // "*.*" matches every name. Sorted by name, case-insensitively; dot files
    // included; folders and non-regular files left out; links followed.
    // `folder` ends with "/". An unreadable or missing folder gives no names.
    virtual QStringList findFiles(const QString& folder, const QString& pattern) = 0;
    // The same names beside the event loop: the search runs on a worker and
    // hands them over in batches through sink, queued to receiver's thread,
    // then ends; a name counts only when keep (if given) holds for it, which
    // runs on the worker too. A search that fails ends with its error's text,
    // the names found before it kept.
    using Keep = std::function<bool(const QString& name)>;
    virtual std::unique_ptr<FileListing> listFiles(const QString& folder, const QString& pattern, Keep keep,
                                                   QObject* receiver, ListingSink sink) = 0;

    // The MIME type of a file, from its name alone (never its content, which
    // would mean opening every listed file). Safe on any thread, so that a
    // worker looks up the types of a list; it keeps nothing of the object's
    // own, since a worker may still be in it while the window goes.
    virtual QString fileType(const QString& path) = 0;
    // The icon the desktop shows for files of a type (as fileType gives it,
    // empty: an unknown one), looked up once per type; never null. On the
    // event loop's thread only.
    virtual QIcon typeIcon(const QString& type) = 0;
    // typeIcon(fileType(path)).
    virtual QIcon fileIcon(const QString& path) = 0;
    // The icon of a program: its own where the desktop provides one (a .desktop
    // file's Icon=, an executable known to the icon theme), else the file's icon.
    virtual QIcon programIcon(const QString& path) = 0;

    // Starts a program from one command-line text (split by the Windows rules),
    // directly, detached, inheriting environment and working folder. The
    // program is the line's first piece only: a line that begins with a blank
    // or whose first piece is blank starts nothing. Failures are not reported.
    virtual void startProgram(const QString& commandLine) = 0;
    // Shows a folder in the desktop's file manager; never waits, silent on failure.
    virtual void openFolder(const QString& path) = 0;
    // Opens a file with the application the desktop associates with it.
    virtual void openDocument(const QString& path) = 0;
};

// The real implementation; its pieces live in DirSearch.cpp, FileIcons.cpp,
// Launcher.cpp and Shell.cpp.
class RealPlatform : public Platform {
public:
    QString homeFolder() const override;
    QStringList findFiles(const QString& folder, const QString& pattern) override;
    std::unique_ptr<FileListing> listFiles(const QString& folder, const QString& pattern, Keep keep,
                                           QObject* receiver, ListingSink sink) override;
    // Makes every entry of a folder cost this long more to read, as on a slow
    // mount (benchmarks only).
    static void setEntryDelay(int microseconds);
    QString fileType(const QString& path) override;
    QIcon typeIcon(const QString& type) override;
    QIcon fileIcon(const QString& path) override;
    QIcon programIcon(const QString& path) override;
    void startProgram(const QString& commandLine) override;
    void openFolder(const QString& path) override;
    void openDocument(const QString& path) override;
};
