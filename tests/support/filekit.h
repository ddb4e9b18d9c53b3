#pragma once
// Files as tests see them: their bytes, written whole, and a full disk.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace FileKit {

// The bytes of a file; empty when it cannot be read.
inline QByteArray bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes `data` as the whole file, failing the test when it cannot.
inline void writeBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(data), data.size());
}

// Makes writes beyond `bytes` fail in this process, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lim = m_old;
        lim.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old {};
};

} // namespace FileKit
