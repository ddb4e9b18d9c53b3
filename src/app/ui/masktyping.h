#pragma once
#include <QString>
#include <QVector>
#include <optional>

class QLineEdit;

// Typing dates and times into masked fields the way operators write them:
// "5.3.2024", "05.03.2024", "05032024", "9:30", "0930". A separator typed
// after a short section pads it with leading zeros and moves on to the next
// section, instead of leaving a blank or an old digit behind it.
namespace MaskTyping {

// A run of input positions between literal characters of an input mask,
// in display-text positions.
struct Section {
    int start = 0;
    int length = 0;
    bool digitsOnly = false;
};

// The sections of a QLineEdit input mask ("00.00.9999;_" gives 0+2, 3+2, 6+4).
QVector<Section> sections(const QString &inputMask);

// Keys that end a section: the field's own separator and the others operators use.
bool isSeparator(QChar c);

// What typing a separator at `cursor` does: `digits` (possibly empty) replace
// the section starting at `start`, then the cursor goes to `cursor`.
struct Step {
    int start = 0;
    QString digits;
    int cursor = 0;
};

// The step for a separator typed at `cursor` into `display` (the field's
// display text, blanks shown as the mask's blank character); no value when
// the key is to be ignored.
std::optional<Step> separatorTyped(const QString &inputMask, const QString &display, int cursor);

// The display text for a pasted value written loosely ("5.3.2024",
// "05032024", "9:30"); no value when it does not read as one number per section.
std::optional<QString> layoutPasted(const QString &inputMask, const QString &pasted);

// Puts `text` into the field as pasted, laid out for its mask when it reads
// as such a value; returns false (field untouched) when it does not.
bool pasteLaidOut(QLineEdit *field, const QString &text);

}   // namespace MaskTyping

// Makes a masked date or time field take separators and pasted values as
// above. Call once per field, after its input mask is set.
void installMaskTyping(QLineEdit *field);
