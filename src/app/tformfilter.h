#pragma once
#include "query/filtercomposer.h"

#include <QDate>
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class LogSession;

// "Установка фильтра": composes a statement from two column masks or a
// date range and makes it the log view's statement, optionally narrowed to
// a power class; "Отменить фильтр" brings the attach-time statement back.
class TFormFilter : public QDialog {
    Q_OBJECT
public:
    TFormFilter(LogSession *session, QWidget *parent);

    // The last date of the range, given the log clock's date at every reset
    // of the entry panel.
    void setEndDate(const QDate &date);

    QRadioButton *RadioButton1;
    QRadioButton *RadioButton2;
    QRadioButton *RadioButton3;
    QComboBox *ComboBox1;
    QLineEdit *Edit1;
    QPushButton *Button3;
    QComboBox *ComboBox2;
    QLineEdit *Edit2;
    QLabel *Label3;
    QCheckBox *CheckBox1;
    QLabel *Label1;
    QLineEdit *MaskEdit1;
    QLabel *Label2;
    QLineEdit *MaskEdit2;
    QPushButton *Button4;
    QLineEdit *Edit3;
    QPushButton *Button2;
    QPushButton *Button1;

public slots:
    void Button4Click();
    void Button3Click();
    void Button1Click();
    void Button2Click();

private:
    FilterComposer::Power power() const;
    bool postPendingEdit();

    LogSession *m_session;
};
