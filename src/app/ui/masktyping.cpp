#include "app/ui/masktyping.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

namespace {

// One display position of a mask: an input position (with its mask letter)
// or a literal character.
struct Position {
    bool input = false;
    QChar ch;
};

QVector<Position> layout(const QString &inputMask)
{
    const int delimiter = inputMask.indexOf(QLatin1Char(';'));
    const QString mask = delimiter < 0 ? inputMask : inputMask.left(delimiter);
    static const QString inputLetters = QStringLiteral("AaNnXx90DdHhBb#");
    QVector<Position> out;
    bool escape = false;
    for (QChar c : mask) {
        if (escape) {
            out.push_back({false, c});
            escape = false;
        } else if (c == QLatin1Char('\\')) {
            escape = true;
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('!')) {
            // case modifiers take no position
        } else {
            out.push_back({inputLetters.contains(c), c});
        }
    }
    return out;
}

bool isDigitLetter(QChar c)
{
    return c == QLatin1Char('9') || c == QLatin1Char('0') || c == QLatin1Char('D') || c == QLatin1Char('d')
           || c == QLatin1Char('#');
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

}   // namespace

namespace MaskTyping {

QVector<Section> sections(const QString &inputMask)
{
    const QVector<Position> pos = layout(inputMask);
    QVector<Section> out;
    for (int i = 0; i < pos.size();) {
        if (!pos[i].input) {
            ++i;
            continue;
        }
        Section s;
        s.start = i;
        s.digitsOnly = true;
        while (i < pos.size() && pos[i].input) {
            s.digitsOnly = s.digitsOnly && isDigitLetter(pos[i].ch);
            ++i;
        }
        s.length = i - s.start;
        out.push_back(s);
    }
    return out;
}

bool isSeparator(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(':') || c == QLatin1Char('/') || c == QLatin1Char(',')
           || c == QLatin1Char('-');
}

std::optional<Step> separatorTyped(const QString &inputMask, const QString &display, int cursor)
{
    const QVector<Section> secs = sections(inputMask);
    for (int i = 0; i < secs.size(); ++i) {
        const Section &s = secs[i];
        if (cursor < s.start || cursor > s.start + s.length)
            continue;
        // Right after a separator nothing has been typed into this section:
        // the separator repeats the one just passed and is ignored.
        if (cursor == s.start || i + 1 == secs.size() || !s.digitsOnly)
            return std::nullopt;
        QString typed;
        for (QChar c : display.mid(s.start, cursor - s.start))
            if (isAsciiDigit(c))
                typed += c;
        const int next = secs[i + 1].start;
        if (typed.isEmpty())
            return Step{s.start, QString(), next};
        return Step{s.start, typed.rightJustified(s.length, QLatin1Char('0')), next};
    }
    return std::nullopt;
}

std::optional<QString> layoutPasted(const QString &inputMask, const QString &pasted)
{
    const QVector<Section> secs = sections(inputMask);
    if (secs.isEmpty())
        return std::nullopt;
    int total = 0;
    for (const Section &s : secs) {
        if (!s.digitsOnly)
            return std::nullopt;
        total += s.length;
    }
    // Numbers separated by separators or blanks, nothing else.
    QStringList groups;
    QString current;
    for (QChar c : pasted.trimmed()) {
        if (isAsciiDigit(c)) {
            current += c;
        } else if (isSeparator(c) || c.isSpace()) {
            if (!current.isEmpty())
                groups << current;
            current.clear();
        } else {
            return std::nullopt;
        }
    }
    if (!current.isEmpty())
        groups << current;

    QStringList values;
    if (groups.size() == 1 && groups[0].size() == total) {
        int at = 0;
        for (const Section &s : secs) {
            values << groups[0].mid(at, s.length);
            at += s.length;
        }
    } else if (groups.size() == secs.size()) {
        for (int i = 0; i < secs.size(); ++i) {
            const QString &g = groups[i];
            // The last section is taken only whole: a short year is not a year.
            if (g.size() > secs[i].length || (i + 1 == secs.size() && g.size() != secs[i].length))
                return std::nullopt;
            values << g.rightJustified(secs[i].length, QLatin1Char('0'));
        }
    } else {
        return std::nullopt;
    }

    const QVector<Position> pos = layout(inputMask);
    QString out;
    int section = 0;
    for (int i = 0; i < pos.size();) {
        if (pos[i].input) {
            out += values[section++];
            i += secs[section - 1].length;
        } else {
            out += pos[i].ch;
            ++i;
        }
    }
    return out;
}

bool pasteLaidOut(QLineEdit *field, const QString &text)
{
    const std::optional<QString> laid = layoutPasted(field->inputMask(), text);
    if (!laid || field->isReadOnly())
        return false;
    field->selectAll();
    field->insert(*laid);
    return true;
}

}   // namespace MaskTyping

namespace {

class MaskTypingFilter : public QObject {
public:
    explicit MaskTypingFilter(QLineEdit *field) : QObject(field), m_field(field)
    {
        setObjectName(QStringLiteral("maskTyping"));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_field || m_field->inputMask().isEmpty() || m_field->isReadOnly())
            return false;
        if (event->type() == QEvent::KeyPress)
            return keyPress(static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::ContextMenu)
            return contextMenu(static_cast<QContextMenuEvent *>(event));
        return false;
    }

private:
    bool keyPress(QKeyEvent *key)
    {
        if (key->matches(QKeySequence::Paste))
            return MaskTyping::pasteLaidOut(m_field, QGuiApplication::clipboard()->text());
        const QString text = key->text();
        if (text.size() != 1 || !MaskTyping::isSeparator(text[0])
            || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            || m_field->hasSelectedText())
            return false;
        const std::optional<MaskTyping::Step> step
            = MaskTyping::separatorTyped(m_field->inputMask(), m_field->displayText(),
                                         m_field->cursorPosition());
        if (step) {
            if (!step->digits.isEmpty()) {
                m_field->setSelection(step->start, step->digits.size());
                m_field->insert(step->digits);
            }
            m_field->setCursorPosition(step->cursor);
        }
        // Qt alone would step over a matching separator but keep the blank or
        // the old digit before it, and drop the others.
        return true;
    }

    // The menu's Paste lays the value out as Ctrl+V does.
    bool contextMenu(QContextMenuEvent *event)
    {
        QMenu *menu = m_field->createStandardContextMenu();
        if (!menu)
            return false;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // The menu's Paste is the action wired to QLineEdit::paste.
        for (QAction *action : menu->actions()) {
            // Qt wires it by name in some versions, by pointer in others.
            const bool wasPaste
                = QObject::disconnect(action, SIGNAL(triggered()), m_field, SLOT(paste()))
                  || QObject::disconnect(action, &QAction::triggered, m_field, &QLineEdit::paste);
            if (!wasPaste)
                continue;
            action->setObjectName(QStringLiteral("edit-paste"));
            QPointer<QLineEdit> field(m_field);
            QObject::connect(action, &QAction::triggered, m_field, [field] {
                if (field && !MaskTyping::pasteLaidOut(field, QGuiApplication::clipboard()->text()))
                    field->paste();
            });
        }
        menu->popup(event->globalPos());
        return true;
    }

    QLineEdit *m_field;
};

}   // namespace

void installMaskTyping(QLineEdit *field)
{
    if (!field || field->findChild<QObject *>(QStringLiteral("maskTyping"), Qt::FindDirectChildrenOnly))
        return;
    field->installEventFilter(new MaskTypingFilter(field));
}
