// Program entry.
#include "AppEnv.h"
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

int main(int argc, char** argv)
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
