#pragma once
#include <QString>

// Loading the program's texts in the language of this start.
namespace Translations {

// Installs on the running application the texts in `languageCode` ("ru",
// "en"): the program's own catalogue ":/i18n/<catalogue>_<code>.qm" unless
// its texts are written in that language (`sourceLanguageCode`), and Qt's own
// (qtbase_<code>.qm from Qt's translations folder) so that Qt's dialogs and
// buttons speak it too. When the program has no catalogue in that language
// nothing is installed and false is returned: it then speaks its source
// language throughout.
bool install(const QString &languageCode, const QString &catalogue, const QString &sourceLanguageCode);

}   // namespace Translations
