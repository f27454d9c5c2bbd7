#pragma once

class QCoreApplication;

namespace Translations {
// Loads the toolkit's Japanese texts (titles, labels and buttons of the font,
// colour and file dialogs and of the standard buttons) whatever the user's
// locale: the whole interface is Japanese. Returns false when no catalogue
// could be found; the toolkit then speaks its own English.
bool installJapanese(QCoreApplication& app);
}
