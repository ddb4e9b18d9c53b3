#include "query/workbook.h"

#include "logdb/dberror.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTime>

#include <xlsxwriter.h>

#include <cmath>

namespace Workbook {

namespace {

const char *const kFontName = "Arial cur";
const double kFontSize = 10;
const int kMaxStringLength = 32767;   // the format's limit for one cell
const double kMaxWidth = 255;         // the format's widest column
const int kMaxColumns = 16384;
const int kMaxRows = 1048576;

QString dateText(const QDate &d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }
QString timeText(const QTime &t) { return t.toString(QStringLiteral("hh:mm")); }

bool isIntegerType(int id)
{
    switch (id) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::Short: case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

bool isRealType(int id)
{
    return id == QMetaType::Double || id == QMetaType::Float;
}

// The text a cell shows for v (General format for numbers).
QString shownText(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return QString();
    const int id = v.typeId();
    if (id == QMetaType::QDate)
        return dateText(v.toDate());
    if (id == QMetaType::QTime)
        return timeText(v.toTime());
    if (id == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        return dateText(dt.date()) + QLatin1Char(' ') + timeText(dt.time());
    }
    if (isIntegerType(id))
        return v.toString();
    if (isRealType(id))
        return QString::number(v.toDouble(), 'g', 10);
    if (id == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    return v.toString();
}

QString cellText(const QVariant &v)
{
    QString s = v.toString();
    if (s.size() > kMaxStringLength)
        s.truncate(kMaxStringLength);
    return s;
}

double timeFraction(const QTime &t)
{
    return t.msecsSinceStartOfDay() / 86400000.0;
}

[[noreturn]] void fail(const QString &path, lxw_error err)
{
    throw DbError(QStringLiteral("Cannot write the workbook %1: %2")
                      .arg(QDir::toNativeSeparators(path), QString::fromUtf8(lxw_strerror(err))));
}

} // namespace

QString columnName(int column)
{
    QString name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

double serialDate(const QDate &d)
{
    if (!d.isValid() || d < QDate(1900, 1, 1))
        return -1;
    // The sheet's calendar has a 29.02.1900 that never was, so days before
    // 01.03.1900 count from one day later.
    if (d < QDate(1900, 3, 1))
        return double(QDate(1899, 12, 31).daysTo(d));
    return double(QDate(1899, 12, 30).daysTo(d));
}

double fittedWidth(const QVector<QVariant> &values)
{
    int longest = 0;
    for (const QVariant &v : values) {
        const QString text = shownText(v);
        for (const QString &line : text.split(QLatin1Char('\n')))
            longest = std::max<int>(longest, int(line.size()));
    }
    if (longest == 0)
        return 0;
    // Arial 10 runs a little wider than the sheet's unit (a digit of the
    // default font); the constant leaves room for the cell's margins.
    return std::min(kMaxWidth, std::ceil(longest * 1.1 + 1.0));
}

void write(const QString &path, const QVector<Row> &rows, int columnCount)
{
    if (columnCount > kMaxColumns)
        throw DbError(QStringLiteral("The result has %1 columns; a sheet holds at most %2")
                          .arg(columnCount).arg(kMaxColumns));
    if (rows.size() > kMaxRows)
        throw DbError(QStringLiteral("The result has %1 rows; a sheet holds at most %2")
                          .arg(rows.size()).arg(kMaxRows));

    {
        // The library's own message for an unwritable target says little;
        // try the file first so the user reads the system's reason.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw DbError(QStringLiteral("Cannot write the workbook %1: %2")
                              .arg(QDir::toNativeSeparators(path), probe.errorString()));
    }
    const QByteArray nativePath = QFile::encodeName(path);
    lxw_workbook *wb = workbook_new(nativePath.constData());
    if (!wb)
        throw DbError(QStringLiteral("Cannot create the workbook %1")
                          .arg(QDir::toNativeSeparators(path)));
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);

    auto makeFormat = [wb](const char *numFormat) {
        lxw_format *f = workbook_add_format(wb);
        format_set_font_name(f, kFontName);
        format_set_font_size(f, kFontSize);
        if (numFormat)
            format_set_num_format(f, numFormat);
        return f;
    };
    lxw_format *plain = makeFormat(nullptr);
    lxw_format *dateFmt = makeFormat("dd.mm.yyyy");
    lxw_format *timeFmt = makeFormat("hh:mm");
    lxw_format *dateTimeFmt = makeFormat("dd.mm.yyyy hh:mm");

    lxw_error err = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (e != LXW_NO_ERROR && err == LXW_NO_ERROR)
            err = e;
    };

    for (int r = 0; r < rows.size(); ++r) {
        const Row &row = rows[r];
        for (int c = 0; c < columnCount && c < row.size(); ++c) {
            const QVariant &v = row[c];
            if (v.isNull() || !v.isValid())
                continue;
            const int id = v.typeId();
            const lxw_row_t rr = lxw_row_t(r);
            const lxw_col_t cc = lxw_col_t(c);
            if (id == QMetaType::QDate || id == QMetaType::QDateTime) {
                const QDateTime dt = id == QMetaType::QDate ? QDateTime(v.toDate(), QTime(0, 0))
                                                            : v.toDateTime();
                const double day = serialDate(dt.date());
                if (day < 0) {   // before the sheet's calendar: keep it readable as text
                    check(worksheet_write_string(ws, rr, cc, shownText(v).toUtf8().constData(), plain));
                } else if (id == QMetaType::QDate) {
                    check(worksheet_write_number(ws, rr, cc, day, dateFmt));
                } else {
                    check(worksheet_write_number(ws, rr, cc, day + timeFraction(dt.time()), dateTimeFmt));
                }
            } else if (id == QMetaType::QTime) {
                if (v.toTime().isValid())
                    check(worksheet_write_number(ws, rr, cc, timeFraction(v.toTime()), timeFmt));
            } else if (isIntegerType(id) || isRealType(id)) {
                const double d = v.toDouble();
                if (std::isfinite(d))
                    check(worksheet_write_number(ws, rr, cc, d, plain));
                else
                    check(worksheet_write_string(ws, rr, cc, shownText(v).toUtf8().constData(), plain));
            } else if (id == QMetaType::Bool) {
                check(worksheet_write_boolean(ws, rr, cc, v.toBool(), plain));
            } else {
                const QString s = cellText(v);
                if (!s.isEmpty())
                    check(worksheet_write_string(ws, rr, cc, s.toUtf8().constData(), plain));
            }
        }
    }

    // Whole columns carry the font, so the cells left empty show it too.
    for (int c = 0; c < columnCount; ++c) {
        QVector<QVariant> column;
        column.reserve(rows.size());
        for (const Row &row : rows)
            column << (c < row.size() ? row[c] : QVariant());
        const double w = fittedWidth(column);
        check(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), w > 0 ? w : LXW_DEF_COL_WIDTH, plain));
    }
    worksheet_set_selection(ws, 0, 0, 0, 0);

    const lxw_error closeErr = workbook_close(wb);   // frees wb in any case
    if (err != LXW_NO_ERROR) {
        QFile::remove(path);
        fail(path, err);
    }
    if (closeErr != LXW_NO_ERROR)
        fail(path, closeErr);
}

QString newWorkbookPath()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tarnix-query-XXXXXX"));
    if (!dir.isValid())
        throw DbError(QStringLiteral("Cannot create a temporary folder: %1").arg(dir.errorString()));
    dir.setAutoRemove(false);
    return dir.filePath(QStringLiteral("query-%1.xlsx")
                            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
}

} // namespace Workbook
