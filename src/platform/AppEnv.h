#pragma once
#include <QString>

class Platform;
class Messages;
class CommonDialogs;

// What every window needs from outside: where the settings live and the
// replaceable services. The program passes the real ones; tests pass fakes and
// a temporary folder.
struct AppEnv {
    QString settingsDir;   // ends with "/"
    Platform& platform;
    Messages& messages;
    CommonDialogs& dialogs;

    QString settingsFile(const QString& name) const { return settingsDir + name; }
    // The same settings and services, with another platform (tests use it).
    AppEnv withPlatform(Platform& other) const { return AppEnv{settingsDir, other, messages, dialogs}; }
    AppEnv withDialogs(CommonDialogs& other) const { return AppEnv{settingsDir, platform, messages, other}; }
};

// The application title: caption of the general error box and of notices.
namespace AppTitle {
QString get();
void set(const QString& title);
}

// The folder of the running executable, ending with "/".
QString executableFolder();
