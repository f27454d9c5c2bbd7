#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace Translations {

bool installJapanese(QCoreApplication& app)
{
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Dates, sizes and sorting in the file dialog follow the interface too.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    // qtbase holds every text of the widgets; the combined catalogue is the
    // fallback where only that one is installed.
    for (const char* name : {"qtbase_ja", "qt_ja"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), dir) && QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}

} // namespace Translations
