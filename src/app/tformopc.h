#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;
class Dataset;
class TDM;

// The station settings: seven fields bound to the one row of table opc.
// Typing puts the row into edit state, a field's text becomes the row's
// pending value when the field is left; "OK" saves, "Отмена" discards, and
// closing by the title bar keeps the edits pending for the next showing.
class TFormOpc : public QDialog {
    Q_OBJECT
public:
    TFormOpc(TDM *dm, QWidget *parent);

    QLineEdit *DBEdit1 = nullptr, *DBEdit2 = nullptr, *DBEdit3 = nullptr, *DBEdit4 = nullptr,
              *DBEdit5 = nullptr, *DBEdit6 = nullptr, *DBEdit7 = nullptr;
    QPushButton *Button1 = nullptr;   // OK
    QPushButton *Button2 = nullptr;   // Отмена

    void Button1Click();
    void Button2Click();

    // Whether the settings row has pending changes that "OK" would save.
    bool isRowModified() const { return m_modified; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    Dataset *dataSet() const;
    QList<QLineEdit *> fields() const;
    QString columnOf(const QLineEdit *edit) const;
    bool rowEditing() const;
    void loadFields();
    void loadField(QLineEdit *edit);
    void startEditing();
    bool updateField(QLineEdit *edit);   // false: the text was refused, focus back
    bool commitFields();           // every typed field into the row

    TDM *m_dm;
    bool m_modified = false;
    bool m_inError = false;
    bool m_refusedOnWayToOk = false;   // a click on "OK" found a field refusing its text
};
