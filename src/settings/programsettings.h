#pragma once
#include <QString>

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

// Automatic snapshots of the log.
struct SnapshotPolicy {
    bool enabled = true;
    int keepNewest = 10;      // the newest snapshots always kept
    int keepDailyDays = 30;   // and one a day for these last days
};
SnapshotPolicy snapshotPolicy();
void setSnapshotPolicy(const SnapshotPolicy &policy);

} // namespace ProgramSettings
