#include "app/ui/captionedcombo.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

const char *const kMarker = "tarnixAnnouncedByCaption";

class CaptionedComboAccessible : public QAccessibleWidget {
public:
    explicit CaptionedComboAccessible(QComboBox *combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    QComboBox *combo() const { return static_cast<QComboBox *>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return combo()->accessibleName();
        case QAccessible::Value:
            return combo()->currentText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // The text field first, then the list of choices.
    int childCount() const override { return combo()->lineEdit() ? 2 : 1; }
    QAccessibleInterface *child(int index) const override
    {
        QLineEdit *edit = combo()->lineEdit();
        if (edit && index == 0)
            return QAccessible::queryAccessibleInterface(edit);
        if (index == (edit ? 1 : 0))
            return QAccessible::queryAccessibleInterface(combo()->view());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        QLineEdit *edit = combo()->lineEdit();
        if (edit && child->object() == edit)
            return 0;
        if (child->object() == combo()->view())
            return edit ? 1 : 0;
        return -1;
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = combo()->isEditable();
        s.hasPopup = true;
        s.expandable = true;
        s.expanded = combo()->view()->isVisible();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction()}; }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction())
            combo()->showPopup();
    }
};

QAccessibleInterface *captionedComboFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QComboBox") && object && object->property(kMarker).toBool())
        return new CaptionedComboAccessible(static_cast<QComboBox *>(object));
    return nullptr;
}

} // namespace

void announceByCaption(QComboBox *combo)
{
    static const bool installed = [] {
        QAccessible::installFactory(captionedComboFactory);
        return true;
    }();
    Q_UNUSED(installed);
    combo->setProperty(kMarker, true);
    // An interface made before the mark (while the list was being built) is
    // dropped, so the next one asked for is ours.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(combo);
    if (made && !dynamic_cast<CaptionedComboAccessible *>(made))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    if (combo->lineEdit())
        combo->lineEdit()->setAccessibleName(combo->accessibleName());
}
