#include "logdb/workedbefore.h"
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/schema.h"

#include <QHash>
#include <sqlite3.h>

namespace WorkedBefore {

namespace {

const QString kParam = QStringLiteral("vcall");
const int kMaxRanges = 8;

// Characters outside ASCII that our like() takes for an ASCII letter, as
// QString's case folding decides; found once from the folding itself.
const QHash<QChar, QVector<QChar>> &foldAlternatives()
{
    static const QHash<QChar, QVector<QChar>> table = [] {
        QHash<QChar, QVector<QChar>> t;
        for (char32_t c = 128; c <= 0xFFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const QChar folded = QChar(char16_t(c)).toCaseFolded();
            if (folded.unicode() < 128)
                t[folded].append(QChar(char16_t(c)));
        }
        return t;
    }();
    return table;
}

QString successor(QString s)
{
    s.back() = QChar(char16_t(s.back().unicode() + 1));
    return s;
}

} // namespace

QVector<QPair<QString, QString>> callRanges(const QString &pattern)
{
    QVector<QString> prefixes{QString()};
    for (QChar c : pattern) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c.unicode() >= 127 || c.unicode() < 32)
            break;
        const QChar lower = c.toLower();
        const QVector<QChar> others = foldAlternatives().value(lower);
        if (prefixes.size() * (others.size() + 1) > kMaxRanges)
            break;
        QVector<QString> next;
        for (const QString &p : prefixes) {
            next << p + lower;
            for (QChar o : others)
                next << p + o;
        }
        prefixes = next;
    }
    QVector<QPair<QString, QString>> ranges;
    for (const QString &p : prefixes)
        if (!p.isEmpty())
            ranges << qMakePair(p, successor(p));
    return ranges;
}

bool callColumnComparesWithoutCase(sqlite3 *db)
{
    const char *declType = nullptr;
    const char *collation = nullptr;
    if (sqlite3_table_column_metadata(db, "main", "log", "call", &declType, &collation, nullptr, nullptr, nullptr)
        != SQLITE_OK)
        return false;
    // Text affinity keeps numbers as text, so every value sorts among texts.
    const QString type = QString::fromLatin1(declType ? declType : "").toUpper();
    const bool textAffinity = !type.contains(QLatin1String("INT"))
        && (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB"))
            || type.contains(QLatin1String("TEXT")));
    return textAffinity && collation && QString::fromLatin1(collation).compare(QLatin1String("nocase"), Qt::CaseInsensitive) == 0;
}

void setUp(Dataset *query)
{
    query->setSql({QStringLiteral("select * from log"), QStringLiteral("where call like :vcall")});
    query->setFixedFields(Schema::b4Fields());
    query->setBaseTable(QStringLiteral("log"));
    query->setParam(kParam, QVariant());
    // The call's index range, so that a lookup in a large log reads only the
    // rows that can match; a blob, sorting after every text, is kept too.
    query->setStatementRefiner([](Connection &connection, QString &statement, SqlParams &params) {
        const auto ranges = callRanges(params.value(kParam).toString());
        if (ranges.isEmpty() || !callColumnComparesWithoutCase(connection.handle()))
            return;
        QStringList terms;
        for (int i = 0; i < ranges.size(); ++i) {
            const QString lo = QStringLiteral("tarnix_lo%1").arg(i);
            const QString hi = QStringLiteral("tarnix_hi%1").arg(i);
            terms << QStringLiteral("call >= :%1 and call < :%2").arg(lo, hi);
            params.insert(lo, ranges[i].first);
            params.insert(hi, ranges[i].second);
        }
        terms << QStringLiteral("call >= x''");
        statement += QStringLiteral("\nand (%1)").arg(terms.join(QStringLiteral(" or ")));
    });
}

void search(Dataset *query, const QString &pattern)
{
    query->close();
    query->setParam(kParam, pattern);
    query->open();
}

} // namespace WorkedBefore
