// Program entry.
#include "AppEnv.h"
#include "BigTextJobs.h"
#include "CommonDialogs.h"
#include "Fonts.h"
#include "Forms.h"
#include "Messages.h"
#include "Platform.h"
#include "SettingsLeftovers.h"
#include "Translations.h"
#include "Unit1.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

namespace {

int run(int argc, char** argv)
{
    QApplication app(argc, argv);
    Translations::installJapanese(app);
    Fonts::installSubstitutions();
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vardolin/vardolin.svg")));
    AppTitle::set(QStringLiteral("Vardolin"));

    RealPlatform platform;
    QtMessages messages;
    QtCommonDialogs dialogs;
    AppEnv env{executableFolder(), platform, messages, dialogs};
    // Temporary files of saves that were killed half-way.
    SettingsLeftovers::removeFrom(env.settingsDir);

    TForm1 main(env);
    createForms(main);
    main.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const int code = run(argc, argv);
    // The settings are saved and the window is gone. A worker still stuck in
    // a system call (a folder on a dead mount) was not waited for: the
    // process ends without destroying the static objects it may yet touch.
    if (BigTextWorkers::leftBehind() > 0) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
