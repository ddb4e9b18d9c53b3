// tarnix-cli: converting, importing, exporting and rebuilding logs, and the
// country and distance lookups, from a shell.
#include "cli/commands.h"
#include "cli/progressline.h"
#include "settings/programsettings.h"
#include "settings/translations.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    // The window's names: the program-wide settings (the ADIF export
    // encoding) are read from the same place.
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnix"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarnix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNIX_VERSION));
    QCoreApplication app(argc, argv);
    // The texts are written in English; another language needs its catalogue
    // (translations/tarnix-cli_<code>.ts) built into the program.
    Translations::install(ProgramSettings::languageCode(ProgramSettings::interfaceLanguage()),
                          QStringLiteral("tarnix-cli"), QStringLiteral("en"));
    Interruption::install();
    return Cli::run(QCoreApplication::arguments());
}
