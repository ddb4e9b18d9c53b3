#pragma once
#include <QString>

class QProcessEnvironment;

// Settings of the program itself, the same for every log (the log keeps its
// own station data in table opc). Stored with QSettings under the
// organisation and application names that main() sets.
namespace ProgramSettings {

// How "Экспорт ADIF" writes its file.
enum class AdifEncoding {
    Cp1251,   // Windows-1251 while every value fits it, UTF-8 otherwise
    Utf8      // UTF-8 always
};
AdifEncoding adifExportEncoding();
void setAdifExportEncoding(AdifEncoding encoding);

// Language of the user interface, taking effect at the next start.
enum class Language { Automatic, Russian, English };
Language language();
void setLanguage(Language language);

// The language the program speaks at this start: the chosen one, or for
// Automatic the system's. Never Automatic.
Language interfaceLanguage();
// Automatic gives Russian where the system's message language is one that
// Russian-speaking operators use (Russian, Ukrainian, Belarusian, Kazakh, ...)
// and under the C/POSIX locale; English for every other language.
Language interfaceLanguageFor(Language chosen, const QString &systemLanguage);
// The system's message language found as gettext finds it: the first entry
// of LANGUAGE, unless the messages locale (LC_ALL, else LC_MESSAGES, else
// LANG) is C/POSIX or unset, which gives "C". Only the language part: "ru",
// "en", "C".
QString systemMessageLanguage(const QProcessEnvironment &environment);
// "ru" or "en"; empty for Automatic.
QString languageCode(Language language);

// Automatic snapshots of the log.
struct SnapshotPolicy {
    bool enabled = true;
    int keepNewest = 10;      // the newest snapshots always kept
    int keepDailyDays = 30;   // and one a day for these last days
};
SnapshotPolicy snapshotPolicy();
void setSnapshotPolicy(const SnapshotPolicy &policy);

} // namespace ProgramSettings
