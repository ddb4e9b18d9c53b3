#include "exchange/inifile.h"
#include "exchange/codepage.h"

#include <QFile>

namespace {

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString unquote(const QString &v)
{
    if (v.size() >= 2) {
        const QChar q = v.front();
        if ((q == u'"' || q == u'\'') && v.back() == q)
            return v.mid(1, v.size() - 2);
    }
    return v;
}

} // namespace

IniFile IniFile::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return IniFile();
    return fromBytes(f.readAll());
}

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    return fromText(Codepage::decodeText(bytes));
}

IniFile IniFile::fromText(const QString &text)
{
    IniFile ini;
    Section *current = nullptr;   // lines before the first section belong to none
    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos <= n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QString line = text.mid(pos, end - pos).trimmed();
        if (end < n && text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n')
            ++end;
        pos = end + 1;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            ini.m_sections.append(Section{name, {}});
            current = &ini.m_sections.last();
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            current->entries.append(Entry{line, QString()});
        else
            current->entries.append(Entry{line.left(eq).trimmed(), unquote(line.mid(eq + 1).trimmed())});
    }
    return ini;
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    const QString wanted = name.trimmed();
    for (const Section &s : m_sections) {
        if (sameName(s.name, wanted))
            return &s;
    }
    return nullptr;
}

const IniFile::Entry *IniFile::findEntry(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    if (!s)
        return nullptr;
    const QString wanted = key.trimmed();
    for (const Entry &e : s->entries) {
        if (sameName(e.key, wanted))
            return &e;
    }
    return nullptr;
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findEntry(section, key) != nullptr;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue, int bufferSize) const
{
    const Entry *e = findEntry(section, key);
    // Windows drops trailing blanks of the default too.
    QString v = e ? e->value : defaultValue;
    if (!e) {
        while (!v.isEmpty() && v.back() == u' ')
            v.chop(1);
    }
    if (bufferSize <= 0)
        return QString();
    if (v.size() > bufferSize - 1) {
        v.truncate(bufferSize - 1);
        if (!v.isEmpty() && v.back().isHighSurrogate())
            v.chop(1);   // never half a character
    }
    return v;
}
