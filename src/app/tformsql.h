#pragma once
#include <QDialog>
#include <functional>

class DataSource;
class Dataset;
class QPlainTextEdit;
class QPushButton;
class DbGrid;
class LogSession;

// "Запрос SQL": any statement against the open log, its rows in an
// editable grid, statements kept in .sql files, the result handed to the
// desktop's spreadsheet program as a new workbook.
class TFormSQL : public QDialog {
    Q_OBJECT
public:
    TFormSQL(LogSession *session, QWidget *parent);

    Dataset *Query1;
    DataSource *DataSource1;
    DbGrid *DBGrid1;
    QPlainTextEdit *Memo1;
    QPushButton *Button1;
    QPushButton *Button3;
    QPushButton *Button4;
    QPushButton *Button5;
    QPushButton *ButtonExit;

    // The folder both file dialogs start in (the working folder at creation).
    QString dialogFolder() const { return m_dialogFolder; }
    // How a written workbook is opened (the desktop's program by default);
    // returns false when nothing could open it.
    void setWorkbookOpener(std::function<bool(const QString &path)> opener) { m_opener = std::move(opener); }
    // Where the last export wrote its workbook.
    QString lastWorkbook() const { return m_lastWorkbook; }

signals:
    // The window lost activation: the log grid takes the focus back.
    void deactivated();

public slots:
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void ButtonExitClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void FormDeactivate();
    void abandonAndClose();
    QStringList memoLines() const;
    static QString sqlFilter();   // the file dialogs' "description|pattern"

    LogSession *m_session;
    QString m_dialogFolder;
    QString m_lastWorkbook;
    std::function<bool(const QString &)> m_opener;
};
