#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QVariant>

class Dataset;

// The worked-before lookup of the log view: for a call, the first row of the
// view (in its order) with that call, letter case aside, and that row's name
// and locator. Kept up to date from the view's row signals: built on the
// first lookup after the view opens, extended by appended QSOs, rebuilt
// after any other change.
class CallIndex : public QObject {
    Q_OBJECT
public:
    explicit CallIndex(Dataset *logView, QObject *parent = nullptr);

    struct Found {
        bool found = false;
        QVariant name;   // as stored: a null QVariant for NULL
        QVariant grid;
    };
    // Throws the view's closed-dataset error when no log is open.
    Found lookup(const QString &call);

private:
    void invalidate();
    void rowPosted(int row);
    void rebuild();

    QPointer<Dataset> m_view;
    QHash<QString, int> m_firstRow;   // case-folded call -> row
    bool m_valid = false;
    int m_appendedRow = -1;           // a row appended but not posted yet
};
