#pragma once
#include <QString>
#include <QVector>

// A read-only INI file with the lookup rules of Windows'
// GetPrivateProfileString: section and key names match without regard to
// case and to blanks around them, the first section of a name and the first
// key of a name in it count, values are trimmed and lose one pair of
// enclosing quotes, a missing file, section or key gives the default, and
// the result is cut to the caller's buffer (size - 1 characters).
class IniFile {
public:
    IniFile() = default;

    // Text decoded as UTF-8 when valid, otherwise Windows-1251. A file that
    // cannot be read gives an empty IniFile, as it does for Windows.
    static IniFile load(const QString &path);
    static IniFile fromBytes(const QByteArray &bytes);
    static IniFile fromText(const QString &text);

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString(),
                       int bufferSize = 2048) const;
    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QVector<Entry> entries;
    };
    const Section *findSection(const QString &name) const;
    const Entry *findEntry(const QString &section, const QString &key) const;

    QVector<Section> m_sections;
};
