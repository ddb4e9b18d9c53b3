#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TDM;

// "О программе": the program's lines, two pictures, readme.txt (read once,
// when the window is made) and a button opening the licence text.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(TDM *dm, QWidget *parent);

    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *Button1 = nullptr;    // Текст лицензионного соглашения
    QPushButton *OKButton = nullptr;
    QLabel *CountryFile = nullptr;     // the country file in use and its version entry

    void FormCreate();
    void Button1Click();

    static QString licenceFileName();   // "Лицензия.txt"

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    TDM *m_dm;
};
