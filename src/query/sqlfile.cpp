#include "query/sqlfile.h"

#include "logdb/dberror.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

#ifdef TARNIX_HAVE_CODEPAGE
#include "exchange/codepage.h"
#endif

namespace SqlFile {

QStringList splitLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

QString toCrLf(const QString &text)
{
    return splitLines(text).join(QLatin1String("\r\n"));
}

void save(const QString &path, const QString &text)
{
    // QSaveFile: a failed write leaves the old file as it was.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw DbError(f.errorString());
    const QByteArray bytes = toCrLf(text).toUtf8();
    if (f.write(bytes) != bytes.size()) {
        const QString msg = f.errorString();
        f.cancelWriting();
        throw DbError(msg);
    }
    if (!f.commit())
        throw DbError(f.errorString());
}

QString decode(const QByteArray &bytes)
{
#ifdef TARNIX_HAVE_CODEPAGE
    // The program's one reading of text files of unknown encoding.
    return Codepage::decodeText(bytes);
#else
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;   // the decoder drops a leading byte-order mark
    QStringDecoder cp1251("windows-1251");
    if (cp1251.isValid())
        return cp1251(bytes);
    return QString::fromLatin1(bytes);
#endif
}

QString load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(f.errorString());
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DbError(f.errorString());
    return toCrLf(decode(bytes));
}

} // namespace SqlFile
