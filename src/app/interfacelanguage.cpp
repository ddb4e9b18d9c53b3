#include "app/interfacelanguage.h"

#include "settings/programsettings.h"
#include "settings/translations.h"

void installInterfaceLanguage()
{
    const QString code = ProgramSettings::languageCode(ProgramSettings::interfaceLanguage());
    // Without its catalogue the program stays Russian, Qt's texts with it.
    if (!Translations::install(code, QStringLiteral("tarnix"), QStringLiteral("ru")))
        Translations::install(QStringLiteral("ru"), QStringLiteral("tarnix"), QStringLiteral("ru"));
}
