#pragma once
#include <QString>
#include <QStringList>

// The text files that travel with the program (readme.txt, the licence):
// found in the working directory first, then beside the executable (the
// build tree), then in the installed data folder.
namespace ProgramFiles {

// Folders searched, in order: the working directory, the executable's, the
// installed data folder (LogFiles::installedDataDir); each folder once.
QStringList searchDirs();
// The same for a given working directory and executable folder.
QStringList searchDirsFor(const QString &workDir, const QString &exeDir);
// Tests point the search elsewhere; an empty list restores the default.
void setSearchDirsForTesting(const QStringList &dirs);

// Absolute path of the first existing file of that name in searchDirs();
// when there is none, the name in the first folder (so an error names the
// place looked at first).
QString locate(const QString &fileName);
bool exists(const QString &fileName);

// Whole text of a file: UTF-8 when valid, otherwise Windows-1251.
// Throws DbError "Cannot open file "<path>". <reason>" when it cannot be read.
QString readText(const QString &path);
// The same split into lines at CR LF, CR or LF (a final line break does not
// make an empty last line).
QStringList readLines(const QString &path);
QStringList splitLines(const QString &text);

} // namespace ProgramFiles
