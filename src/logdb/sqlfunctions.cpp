#include "logdb/sqlfunctions.h"
#include "logdb/dberror.h"
#include "logdb/textforms.h"

#include <QString>
#include <sqlite3.h>

#include <string>

namespace {

// ---- like(): case ignored in every alphabet --------------------------------

bool isAscii(const unsigned char *s, int n)
{
    for (int i = 0; i < n; ++i)
        if (s[i] & 0x80)
            return false;
    return true;
}

template <typename Ch, typename Fold>
bool likeMatch(const Ch *p, const Ch *pe, const Ch *s, const Ch *se, Ch esc, bool hasEsc, Fold fold)
{
    // Iterative matcher with backtracking on the last "%".
    const Ch *starP = nullptr, *starS = nullptr;
    while (s < se) {
        if (p < pe) {
            Ch pc = *p;
            if (hasEsc && pc == esc && p + 1 < pe) {
                if (fold(p[1]) == fold(*s)) { p += 2; ++s; continue; }
            } else if (pc == Ch('%')) {
                while (p < pe && *p == Ch('%')) ++p;
                if (p == pe) return true;
                starP = p; starS = s;
                continue;
            } else if (pc == Ch('_')) {
                ++p; ++s; continue;
            } else if (fold(pc) == fold(*s)) {
                ++p; ++s; continue;
            }
        }
        if (!starP) return false;
        p = starP; s = ++starS;
    }
    while (p < pe && *p == Ch('%')) ++p;
    return p == pe;
}

void likeFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    // X LIKE Y [ESCAPE Z] arrives as like(Y, X [, Z]).
    const unsigned char *pat = sqlite3_value_text(argv[0]);
    const int patLen = sqlite3_value_bytes(argv[0]);
    const unsigned char *str = sqlite3_value_text(argv[1]);
    const int strLen = sqlite3_value_bytes(argv[1]);
    if (!pat || !str) {
        sqlite3_result_null(ctx);
        return;
    }
    bool hasEsc = false;
    QString escStr;
    if (argc == 3) {
        const unsigned char *e = sqlite3_value_text(argv[2]);
        if (!e) { sqlite3_result_null(ctx); return; }
        escStr = QString::fromUtf8(reinterpret_cast<const char *>(e), sqlite3_value_bytes(argv[2]));
        if (escStr.size() != 1) {
            sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
            return;
        }
        hasEsc = true;
    }
    bool result;
    if (isAscii(pat, patLen) && isAscii(str, strLen) && (!hasEsc || escStr[0].unicode() < 128)) {
        auto fold = [](unsigned char c) -> unsigned char { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
        result = likeMatch<unsigned char>(pat, pat + patLen, str, str + strLen,
                                          hasEsc ? (unsigned char)escStr[0].unicode() : 0, hasEsc, fold);
    } else {
        const std::u32string p = QString::fromUtf8(reinterpret_cast<const char *>(pat), patLen).toCaseFolded().toStdU32String();
        const std::u32string s = QString::fromUtf8(reinterpret_cast<const char *>(str), strLen).toCaseFolded().toStdU32String();
        const char32_t e = hasEsc ? escStr.toCaseFolded().toStdU32String().front() : 0;
        auto fold = [](char32_t c) { return c; };
        result = likeMatch<char32_t>(p.data(), p.data() + p.size(), s.data(), s.data() + s.size(), e, hasEsc, fold);
    }
    sqlite3_result_int(ctx, result ? 1 : 0);
}

// ---- DateValue('dd.mm.yyyy') -> 'yyyy-mm-dd' --------------------------------

void dateValueFunction(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])),
                                           sqlite3_value_bytes(argv[0]));
    try {
        const QByteArray iso = TextForms::storeDate(TextForms::parseDate(text.trimmed())).toUtf8();
        sqlite3_result_text(ctx, iso.constData(), iso.size(), SQLITE_TRANSIENT);
    } catch (const DbError &e) {
        const QByteArray msg = e.message().toUtf8();
        sqlite3_result_error(ctx, msg.constData(), msg.size());
    }
}

} // namespace

void registerSqlFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "DateValue", 1, flags, nullptr, dateValueFunction, nullptr, nullptr);
}
