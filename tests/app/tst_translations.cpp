// The catalogues under translations/ against the window sources: lupdate run
// on a copy finds nothing new, nothing left untranslated and no placeholder
// lost; and every Russian text in the sources is marked for translation.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct Message {
    QString context;
    QString source;
    QString comment;
    QString translationType;    // "", "unfinished", "vanished", "obsolete"
    QStringList translations;   // one, or one per plural form
};

QList<Message> readCatalogue(const QString &path, QString *error)
{
    QList<Message> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return out;
    }
    QXmlStreamReader xml(&f);
    QString context;
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            if (!m.source.isNull())
                out << m;
            m = Message();
            m.context = context;
        } else if (name == QLatin1String("source")) {
            m.source = xml.readElementText();
        } else if (name == QLatin1String("comment")) {
            m.comment = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            m.translationType = xml.attributes().value(QLatin1String("type")).toString();
            QString text;
            QStringList forms;   // a text with plural forms has one per form
            while (!xml.atEnd()
                   && !(xml.readNext() == QXmlStreamReader::EndElement
                        && xml.name() == QLatin1String("translation"))) {
                if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                    forms << xml.readElementText();
                else if (xml.isCharacters())
                    text += xml.text();
            }
            m.translations = forms.isEmpty() ? QStringList{text} : forms;
        }
    }
    if (!m.source.isNull())
        out << m;
    if (xml.hasError())
        *error = xml.errorString();
    return out;
}

QString describe(const Message &m)
{
    return QStringLiteral("%1: \"%2\"%3")
        .arg(m.context, m.source, m.comment.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(m.comment));
}

QSet<QString> placeholders(const QString &text)
{
    QSet<QString> out;
    static const QRegularExpression re(QStringLiteral("%(\\d+|n)"));
    for (auto it = re.globalMatch(text); it.hasNext();)
        out.insert(it.next().captured());
    return out;
}

bool hasCyrillic(const QString &text)
{
    for (const QChar c : text)
        if (c.script() == QChar::Script_Cyrillic)
            return true;
    return false;
}

// The string literals of a C++ source, adjacent ones joined, comments and
// character literals skipped, the simple escapes undone.
QStringList stringLiterals(const QString &code)
{
    QStringList out;
    QString current;
    bool open = false;   // a literal was read and may continue
    const qsizetype n = code.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = code[i];
        if (c == QLatin1Char('/') && i + 1 < n && code[i + 1] == QLatin1Char('/')) {
            i = code.indexOf(QLatin1Char('\n'), i);
            if (i < 0)
                break;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && code[i + 1] == QLatin1Char('*')) {
            const qsizetype end = code.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        }
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('\'')) {   // a character literal
            for (++i; i < n && code[i] != QLatin1Char('\''); ++i)
                if (code[i] == QLatin1Char('\\'))
                    ++i;
            ++i;
        } else if (c == QLatin1Char('"')) {
            for (++i; i < n && code[i] != QLatin1Char('"'); ++i) {
                if (code[i] == QLatin1Char('\\') && i + 1 < n) {
                    const QChar e = code[++i];
                    current += e == QLatin1Char('n')   ? QChar(u'\n')
                               : e == QLatin1Char('t') ? QChar(u'\t')
                                                       : e;
                } else {
                    current += code[i];
                }
            }
            ++i;
            open = true;
            continue;
        } else {
            ++i;
        }
        if (open) {
            out << current;
            current.clear();
            open = false;
        }
    }
    if (open)
        out << current;
    return out;
}

QStringList lines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}   // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void catalogueUpToDateAndComplete_data()
    {
        QTest::addColumn<QString>("ts");
        for (const QString &ts : QStringLiteral(TARNIX_TS_FILES).split(QLatin1Char('|')))
            QTest::newRow(qPrintable(QFileInfo(ts).fileName())) << ts;
    }

    void catalogueUpToDateAndComplete()
    {
        QFETCH(QString, ts);
        QString error;
        const QList<Message> committed = readCatalogue(ts, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(!committed.isEmpty());

        // What the update target would make of it.
        QTemporaryDir dir;
        const QString copy = dir.filePath(QFileInfo(ts).fileName());
        QVERIFY(QFile::copy(ts, copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QProcess lupdate;
        QStringList args = QStringLiteral(TARNIX_LUPDATE_OPTIONS).split(QLatin1Char('|'));
        args << QStringLiteral("-I") << QStringLiteral(TARNIX_SOURCE_DIR "/src")
             << QStringLiteral("@" TARNIX_TR_LIST) << QStringLiteral("-ts") << copy;
        lupdate.start(QStringLiteral(TARNIX_LUPDATE), args);
        QVERIFY2(lupdate.waitForFinished(120000), qPrintable(lupdate.errorString()));
        QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
                 lupdate.readAllStandardError().constData());
        const QList<Message> updated = readCatalogue(copy, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));

        QStringList problems;
        QSet<QString> now;
        for (const Message &m : updated) {
            now.insert(describe(m));
            if (m.translationType == QLatin1String("unfinished"))
                problems << QStringLiteral("not translated: ") + describe(m);
            else if (!m.translationType.isEmpty())
                problems << QStringLiteral("%1: %2").arg(m.translationType, describe(m));
            else if (m.translations.isEmpty() || m.translations.contains(QString()))
                problems << QStringLiteral("empty translation: ") + describe(m);
            for (const QString &t : m.translations)
                if (placeholders(t) != placeholders(m.source))
                    problems << QStringLiteral("placeholders differ: %1 -> \"%2\"").arg(describe(m), t);
        }
        for (const Message &m : committed)
            if (!now.contains(describe(m)))
                problems << QStringLiteral("no longer in the sources: ") + describe(m);
        if (!problems.isEmpty())
            problems.prepend(QStringLiteral("%1 (cmake --build <build> --target update_translations, then "
                                            "translate in Qt Linguist):")
                                 .arg(ts));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void everyRussianTextMarkedForTranslation()
    {
        QString error;
        const QString english = QStringLiteral(TARNIX_TS_FILES).split(QLatin1Char('|')).first();
        QSet<QString> sources;
        for (const Message &m : readCatalogue(english, &error))
            sources.insert(m.source);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // Names that are the same in every language.
        const QSet<QString> untranslated = {
            QString::fromUtf8("Русский"),        // the language's own name in the language choice
            QString::fromUtf8("Лицензия.txt"),   // a file's name
        };
        const QStringList files = lines(QStringLiteral(TARNIX_TR_LIST));
        QVERIFY(files.size() > 10);
        QStringList problems;
        for (const QString &path : files) {
            QFile f(path);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
            for (const QString &literal : stringLiterals(QString::fromUtf8(f.readAll())))
                if (hasCyrillic(literal) && !sources.contains(literal) && !untranslated.contains(literal))
                    problems << QStringLiteral("%1: \"%2\"")
                                    .arg(QDir(TARNIX_SOURCE_DIR).relativeFilePath(path), literal);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("Russian texts outside tr():\n")
                                                + problems.join(QLatin1Char('\n'))));
    }

    void literalReader()
    {
        const QString code = QString::fromUtf8(
            "// \"в комментарии\"\n"
            "tr(\"Раз \" \"два\"); /* \"и тут\" */ x = '\"'; y = QStringLiteral(\"a\\\"b\\n\");\n"
            "z = \"\";");
        QCOMPARE(stringLiterals(code),
                 (QStringList{QString::fromUtf8("Раз два"), QStringLiteral("a\"b\n"), QString()}));
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
