#pragma once
#include <QString>
#include <QStringList>

// Saved statements (.sql): the memo's text, lines separated by CR LF and no
// line break after the last one. Written as UTF-8; read as UTF-8 when the
// bytes are valid UTF-8, otherwise as Windows-1251 (files of the older
// single-byte program).
namespace SqlFile {

// Every CR LF, lone CR and lone LF becomes CR LF.
QString toCrLf(const QString &text);
// The lines of a text broken at CR LF, lone CR or lone LF.
QStringList splitLines(const QString &text);

// Writes text (replacing the file). Throws DbError with the system's message.
void save(const QString &path, const QString &text);
// The file's whole text with CR LF line breaks. Throws DbError.
QString load(const QString &path);

// UTF-8 when valid (a leading byte-order mark dropped), else Windows-1251.
// Within the whole program this is the exchange module's text decoding.
QString decode(const QByteArray &bytes);

} // namespace SqlFile
