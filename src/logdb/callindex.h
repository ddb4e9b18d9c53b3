#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>

class Dataset;

// The worked-before lookup of the log view: for a call, the first row of the
// view (in its order) with that call, letter case aside, and that row's name
// and locator. Kept up to date from the view's row signals: built in short
// steps while the program is idle after the view opens (a log of a million
// QSOs takes a second or more, which the first typed call would otherwise
// wait for), finished by a lookup that comes before it is done, extended by
// appended QSOs, built again on the next lookup after any other change.
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

    // Every row of the view taken in.
    bool isComplete() const { return m_valid; }
    // Rows taken in by one idle step.
    static constexpr int kStepRows = 20000;

private:
    void invalidate();
    void rowPosted(int row);
    // Takes in the rows from m_builtRows on, up to `until` (exclusive).
    void buildUntil(int until);
    void idleStep();
    void buildAt(int row);

    QPointer<Dataset> m_view;
    QHash<QString, int> m_firstRow;   // case-folded call -> row
    int m_callField = -1;
    int m_builtRows = 0;              // rows taken in so far, from the first
    bool m_valid = false;             // every row taken in
    QTimer m_idle;
    int m_appendedRow = -1;           // a row appended but not posted yet
};
