#pragma once
#include <QLineEdit>

// Text of a masked field as the program reads it: separators kept and blank
// positions as blanks ("  .  .    " for an empty date).
inline QString maskedText(const QLineEdit *edit)
{
    QString t = edit->displayText();
    t.replace(QLatin1Char('_'), QLatin1Char(' '));
    return t;
}
