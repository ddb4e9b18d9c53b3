#pragma once
#include <QLineEdit>

// Letters typed or set into the field are shown in upper case; the cursor
// and the field's modified flag stay as they were.
inline void forceUpperCase(QLineEdit *e)
{
    QObject::connect(e, &QLineEdit::textChanged, e, [e](const QString &t) {
        const QString up = t.toUpper();
        if (up != t) {
            const int pos = e->cursorPosition();
            const bool modified = e->isModified();
            e->setText(up);
            e->setCursorPosition(pos);
            e->setModified(modified);
        }
    });
}
