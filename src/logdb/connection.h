#pragma once
#include <QObject>
#include <QString>
#include <QList>

struct sqlite3;
class Dataset;

// One connection to one log file (an ordinary SQLite file). Opening never
// creates a file and refuses files that are not logs. Our own SQL functions
// (DateValue, a like() that ignores case in every alphabet) live only on
// the connection, never in the file's schema.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    // Opens the log file at path, closing the file held before (and every
    // dataset on it); throws DbError naming the file.
    void open(const QString &path);
    // The file of the last open, also after closing; empty before any.
    QString path() const { return m_path; }
    void close();           // closes every dataset on the connection first
    bool isOpen() const { return m_db != nullptr; }
    sqlite3 *handle() const { return m_db; }

    // Runs a statement that returns no rows (dialect adapted). Throws DbError.
    void execute(const QString &sql);
    int changes() const;

    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const;

    // How long a statement waits for another program's lock on the file
    // before the engine reports it; applied when the connection opens.
    static int busyTimeoutMs();
    static void setBusyTimeoutMs(int ms);   // tests shorten the wait

    // Datasets register themselves so that close() can close them.
    void registerDataset(Dataset *ds);
    void unregisterDataset(Dataset *ds);

private:
    void requireOpen() const;

    QString m_path;
    sqlite3 *m_db = nullptr;
    QList<Dataset *> m_datasets;
};
