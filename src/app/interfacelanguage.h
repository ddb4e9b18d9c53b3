#pragma once
#include <QLocale>

// The windows' texts are written in Russian; other languages come from the
// catalogues built from translations/tarnix_<code>.ts. Installs the language
// of this start (ProgramSettings::interfaceLanguage) on the application, with
// Qt's own texts in the same language. Called once the application object
// exists and before any window is made: texts are translated when a window
// is built, so a change takes effect at the next start.
void installInterfaceLanguage();

// The locale of the language installed at this start, for numbers written
// among the texts; Russian, the texts' own language, until one is installed.
QLocale interfaceLocale();
