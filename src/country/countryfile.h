#pragma once
#include <QString>

// The country file in use, and taking a newer one. The list of countries is
// updated by its maintainers every few weeks; an operator loads the new
// cty.dat without waiting for a new program.
namespace CountryFile {

// The file the program reads (see CountryFilePath) and its version entry:
// cty.dat marks its release by the country that the call "VERSION"
// resolves to.
struct InUse {
    QString path;
    QString versionName;     // empty when the file has no version entry
    QString versionPrefix;
};
InUse inUse();

// Takes a newer country file chosen by the operator: it must read as a
// country file; then it becomes the user's own copy (UserCountryFilePath),
// replacing an older one, and the tables in use are read from it. Returns
// the path of the copy. Throws DbError naming the file when it is not a
// country file or cannot be copied; the tables in use and the user's older
// copy then stay as they were.
QString install(const QString &chosenPath);

} // namespace CountryFile
