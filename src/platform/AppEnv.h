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
    Platform* platform = nullptr;
    Messages* messages = nullptr;
    CommonDialogs* dialogs = nullptr;

    QString settingsFile(const QString& name) const { return settingsDir + name; }
};

// The application title: caption of the general error box and of notices.
namespace AppTitle {
QString get();
void set(const QString& title);
}

// The folder of the running executable, ending with "/".
QString executableFolder();
