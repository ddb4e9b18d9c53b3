#include "cli/commands.h"

#include "cli/clitext.h"
#include "cli/progressline.h"
#include "convert/jetconvert.h"
#include "country/ctysupport.h"
#include "country/dxcc.h"
#include "exchange/adifexchange.h"
#include "locator/locator.h"
#include "logdb/connection.h"
#include "logdb/dataset.h"
#include "logdb/dberror.h"
#include "logdb/logfiles.h"
#include "logdb/logsession.h"
#include "logdb/tdm.h"
#include "settings/programsettings.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

// ---------------------------------------------------------------- output

namespace CliText {

void result(const QString &line)
{
    std::fputs(qPrintable(line), stdout);
    std::fputc('\n', stdout);
}

void message(const QString &text)
{
    std::fflush(stdout);   // results before it stay before it when both go to one place
    std::fprintf(stderr, "%s: %s\n", programName(), qPrintable(text));
}

void warning(const QString &text)
{
    message(TarnixCli::tr("warning: %1").arg(text));
}

QString quoted(const QString &path)
{
    return QLatin1Char('\'') + QDir::toNativeSeparators(path) + QLatin1Char('\'');
}

}   // namespace CliText

namespace Cli {

namespace {

using CliText::message;
using CliText::quoted;
using CliText::result;
using CliText::warning;

// Numbers go into texts as strings, all in one arg() call: a file name
// holding "%2" must not be taken for a place of the next value.
QString number(qint64 n)
{
    return QString::number(n);
}

QString version()
{
    return QStringLiteral("%1 %2").arg(QLatin1String(CliText::programName()),
                                       QCoreApplication::applicationVersion());
}

// ---------------------------------------------------------------- shared steps

// Whatever a command writes into the log is kept only when commit() is
// reached: an error or a stop on the way leaves the file as it was.
class AllOrNothing {
public:
    AllOrNothing(Connection *connection, const QString &logPath) : m_connection(connection)
    {
        try {
            m_connection->beginTransaction();
        } catch (const DbError &e) {
            throw DbError(TarnixCli::tr("cannot write to %1: %2").arg(quoted(logPath), e.message()));
        }
        m_logPath = logPath;
    }
    ~AllOrNothing()
    {
        if (!m_committed)
            m_connection->rollback();
    }
    AllOrNothing(const AllOrNothing &) = delete;
    AllOrNothing &operator=(const AllOrNothing &) = delete;

    void commit()
    {
        // A stop asked for before this point keeps nothing.
        if (Interruption::requested())
            throw Interrupted{};
        try {
            m_connection->commit();
        } catch (const DbError &e) {
            throw DbError(TarnixCli::tr("cannot write to %1: %2").arg(quoted(m_logPath), e.message()));
        }
        m_committed = true;
    }

private:
    Connection *m_connection;
    QString m_logPath;
    bool m_committed = false;
};

// The log opened as the window opens it; the connection's messages name the
// file. Snapshots follow the program-wide settings, as in the window; before
// a command writes to the log, a snapshot of it as it is now must exist.
enum class Use { Reading, Writing };
void attachLog(LogSession &session, const QString &path, Use use)
{
    const ProgramSettings::SnapshotPolicy policy = ProgramSettings::snapshotPolicy();
    session.setSnapshotPolicy({policy.enabled, policy.keepNewest, policy.keepDailyDays});
    QObject::connect(&session, &LogSession::snapshotFailed, &session, [](const QString &message) { warning(message); });
    session.attach(path);
    if (use == Use::Writing && policy.enabled)
        session.ensureFreshSnapshot();
}

// The country file of --cty, or the one the window reads.
QString loadCountries(const QString &chosen)
{
    const QString path = chosen.isEmpty() ? CountryFilePath(QCoreApplication::applicationDirPath()) : chosen;
    try {
        LoadCountryTable(path);
    } catch (const DbError &e) {
        throw DbError(TarnixCli::tr("cannot read the country file %1: %2").arg(quoted(path), e.message()));
    }
    return path;
}

// A file that can be read, or the reason why not.
void requireReadable(const QString &path)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        throw DbError(TarnixCli::tr("cannot read %1: no such file").arg(quoted(path)));
    if (fi.isDir())
        throw DbError(TarnixCli::tr("cannot read %1: it is a folder").arg(quoted(path)));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(TarnixCli::tr("cannot read %1: %2").arg(quoted(path), f.errorString()));
}

// True when the file is a database (a log of this program or a Jet file):
// never the place for an ADIF file.
bool isDatabaseFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(32);
    return head.startsWith(QByteArrayLiteral("SQLite format 3\0")) || isJetHeader(head);
}

// ---------------------------------------------------------------- the commands

struct Option {
    QCommandLineOption option;
    QString shown;         // "--cty FILE"
    QString description;   // one line
};

struct Command {
    QString name;
    QString arguments;          // "LOG FILE.adi" as shown in the usage line
    QStringList argNames;       // the positional arguments in order
    bool lastRepeats = false;   // the last one may be given any number of times (at least once)
    QString summary;            // one line in the overview
    QString description;        // the body of the command's help
    QList<Option> options;
    int (*run)(const QCommandLineParser &parser, const QStringList &args) = nullptr;
};

int runConvert(const QCommandLineParser &parser, const QStringList &args)
{
    const QString &source = args[0];
    const QString &dest = args[1];
    // The converter replaces a file at dest only when it is done, but a log
    // already there is not replaced unless asked for: it may be the only
    // copy of someone's QSOs.
    if (QFileInfo::exists(dest) && !QFileInfo(dest).isDir() && !LogFiles::sameFile(source, dest)
        && !parser.isSet(QStringLiteral("force")))
        throw DbError(TarnixCli::tr("%1 exists already; give --force to replace it").arg(quoted(dest)));
    const QString templatePath = LogFiles::findTemplate(QCoreApplication::applicationDirPath());
    if (templatePath.isEmpty())
        throw DbError(
            TarnixCli::tr("cannot make %1: the log template 'shablon' was found neither in the working "
                          "directory, nor beside the program, nor in %2")
                .arg(quoted(dest),
                     quoted(LogFiles::installedDataDir(QCoreApplication::applicationDirPath()))));

    ConvertResult r;
    {
        ProgressLine progress(TarnixCli::tr("Converting %1").arg(quoted(source)));
        r = convertJetLog(source, dest, templatePath, progress.counts());
    }
    if (r.cancelled)
        throw Interrupted{};

    if (r.modesFromTemplate)
        warning(TarnixCli::tr("%1 has no table modes: the new log has the template's mode list")
                    .arg(quoted(source)));
    if (r.stationFromTemplate)
        warning(
            TarnixCli::tr("%1 holds no station data (table opc): the new log has the template's empty row")
                .arg(quoted(source)));
    for (const SkippedColumn &c : r.skippedColumns)
        warning(TarnixCli::tr("column %1 of %2 was not copied: %3").arg(c.name(), quoted(source), c.reason));
    for (const SkippedRow &row : r.skippedRows) {
        if (row.id.isNull())
            warning(TarnixCli::tr("row %1 of table %2 in %3 was not copied: %4")
                        .arg(number(row.row), row.table, quoted(source), row.reason));
        else
            warning(TarnixCli::tr("row %1 (id %2) of table %3 in %4 was not copied: %5")
                        .arg(number(row.row), row.id.toString(), row.table, quoted(source), row.reason));
    }
    for (const QString &t : r.otherTables)
        warning(
            TarnixCli::tr("table %1 of %2 is not part of a log and was not copied").arg(t, quoted(source)));

    result(TarnixCli::tr(
               "Converted %1 (Jet %2) into %3: QSOs %4, modes %5, station rows %6, skipped columns %7, "
               "skipped rows %8")
               .arg(quoted(source), number(r.jetVersion), quoted(dest), number(r.qsos), number(r.modes),
                    number(r.stationRows), number(r.skippedColumns.size()), number(r.skippedRows.size())));
    return Success;
}

int runImport(const QCommandLineParser &, const QStringList &args)
{
    const QString &logPath = args[0];
    const QString &adif = args[1];
    LogSession session;
    attachLog(session, logPath, Use::Writing);
    if (LogFiles::sameFile(logPath, adif))
        throw DbError(TarnixCli::tr("%1 is the log itself, not an ADIF file").arg(quoted(adif)));
    requireReadable(adif);

    // All QSOs of the file or none: a bad record leaves the log as it was,
    // and a second run after fixing the file adds each QSO once.
    AllOrNothing work(session.dataModule()->ADOConnection1, logPath);
    AdifExchange::ImportResult done;
    try {
        ProgressLine progress(TarnixCli::tr("Importing %1").arg(quoted(adif)));
        AdifExchange::importFile(session.logView(), adif, progress.work(), &done);
    } catch (const DbError &e) {
        throw DbError(
            TarnixCli::tr("%1: the import stopped at QSO %2: %3\nnothing was imported; %4 is as it was")
                .arg(quoted(adif), number(done.stored + 1), e.message(), quoted(logPath)));
    }
    work.commit();
    session.finish();   // the log let go: its snapshot holds the imported QSOs

    if (done.stored == 0)
        warning(TarnixCli::tr("%1 holds no QSO records").arg(quoted(adif)));
    result(TarnixCli::tr("Imported %1 into %2: QSOs %3")
               .arg(quoted(adif), quoted(logPath), number(done.stored)));
    return Success;
}

int runExport(const QCommandLineParser &parser, const QStringList &args)
{
    const QString &logPath = args[0];
    const QString &adif = args[1];
    // An option wins over the program-wide setting (runCommand refuses both options at once).
    bool utf8Asked = ProgramSettings::adifExportEncoding() == ProgramSettings::AdifEncoding::Utf8;
    if (parser.isSet(QStringLiteral("utf8")))
        utf8Asked = true;
    else if (parser.isSet(QStringLiteral("cp1251")))
        utf8Asked = false;

    LogSession session;
    attachLog(session, logPath, Use::Reading);
    if (LogFiles::sameFile(logPath, adif))
        throw DbError(
            TarnixCli::tr("%1 is the log itself: an ADIF file is never written over it").arg(quoted(adif)));
    if (isDatabaseFile(adif))
        throw DbError(
            TarnixCli::tr("%1 is a database, not an ADIF file: it is not written over").arg(quoted(adif)));

    AdifExchange::ExportResult written;
    {
        ProgressLine progress(TarnixCli::tr("Exporting %1").arg(quoted(logPath)));
        written = AdifExchange::exportLog(session.logView(), adif,
                                          utf8Asked ? AdifExchange::ExportEncoding::Utf8
                                                    : AdifExchange::ExportEncoding::Cp1251WhenItFits,
                                          progress.work());
    }
    const bool inUtf8 = written.encoding == Adif::Encoding::Utf8;
    if (!utf8Asked && inUtf8)
        warning(
            TarnixCli::tr("%1 was written in UTF-8: not every value fits Windows-1251").arg(quoted(adif)));
    result(TarnixCli::tr("Exported %1 to %2 in %3: QSOs %4")
               .arg(quoted(logPath), quoted(adif),
                    inUtf8 ? QStringLiteral("UTF-8") : QStringLiteral("Windows-1251"),
                    number(written.count)));
    return Success;
}

int runCountry(const QCommandLineParser &parser, const QStringList &args)
{
    loadCountries(parser.value(QStringLiteral("cty")));
    for (const QString &arg : args) {
        // The call field of the window holds capitals only.
        const QString call = arg.trimmed().toUpper();
        const CountryInfo c = FindCountryByCall(call);
        result(QStringList{call, c.Name, c.Continent, c.PrimaryPrefix, c.CQZone, c.ITUZone}.join(
            QLatin1Char('\t')));
    }
    return Success;
}

int runDistance(const QCommandLineParser &, const QStringList &args)
{
    auto notALocator = [](const QString &text) {
        return TarnixCli::tr("%1 is not a grid locator (4, 6 or 8 characters, such as KO85 or KO85UR)")
            .arg(quoted(text));
    };
    const auto own = locatorPosition(args[0]);
    if (!own)
        throw DbError(notALocator(args[0]));
    int status = Success;
    for (int i = 1; i < args.size(); ++i) {
        const auto other = locatorPosition(args[i]);
        if (!other) {
            message(notALocator(args[i]));
            status = Failure;
            continue;
        }
        const RoundedDistance d = roundDistance(distanceBearing(*own, *other));
        result(
            QStringLiteral("%1\t%2\t%3").arg(args[i].trimmed().toUpper(), number(d.km), number(d.degrees)));
    }
    return status;
}

int runRebuild(const QCommandLineParser &parser, const QStringList &args)
{
    const QString &logPath = args[0];
    // Without countries every QSO would lose its country text: refused.
    const QString countryFile = loadCountries(parser.value(QStringLiteral("cty")));
    LogSession session;
    attachLog(session, logPath, Use::Writing);
    Dataset *view = session.logView();

    AllOrNothing work(session.dataModule()->ADOConnection1, logPath);
    try {
        ProgressLine progress(TarnixCli::tr("Rebuilding %1").arg(quoted(logPath)));
        RebuildDxcc(*view, progress.work());
    } catch (const DbError &e) {
        throw DbError(TarnixCli::tr("cannot rebuild the countries of %1: %2\nnothing was changed")
                          .arg(quoted(logPath), e.message()));
    }
    const int total = view->recordCount();
    const int dxcc = view->fieldIndex(QStringLiteral("dxcc"));
    int without = 0;
    for (int row = 0; row < total; ++row) {
        if (view->valueAt(row, dxcc).toString().isEmpty())
            ++without;
    }
    work.commit();
    session.finish();
    result(TarnixCli::tr("Rebuilt the DXCC countries of %1 from %2: QSOs %3, without a country %4")
               .arg(quoted(logPath), quoted(countryFile), number(total), number(without)));
    return Success;
}

QList<Command> commands()
{
    const Option cty{QCommandLineOption(QStringLiteral("cty"), QString(), QStringLiteral("FILE")),
                     QStringLiteral("--cty FILE"),
                     TarnixCli::tr("Read this country file instead of the program's own.")};
    const QString countryFiles
        = TarnixCli::tr("The country file is the one the log window reads, the first found of:\n"
                        "~/.local/share/tarnix/cty.dat, cty.dat beside the program,\n"
                        "/usr/share/hamradio-files/cty.dat; --cty names another.");
    QList<Command> list;

    list << Command{QStringLiteral("convert"),
                    QStringLiteral("[--force] OLD.mdb NEW.mdb"),
                    {QStringLiteral("OLD.mdb"), QStringLiteral("NEW.mdb")},
                    false,
                    TarnixCli::tr("Convert an old log kept as a Jet (Access) database into a new log."),
                    TarnixCli::tr(
                        "Converts a log kept as a Jet 3 or Jet 4 database (an Access .mdb file) into a\n"
                        "new log made from the log template: its QSOs, mode list and station data.\n"
                        "OLD.mdb is only read. The new log appears under its name only when it is\n"
                        "complete; on an error nothing is left at NEW.mdb. A file already at NEW.mdb\n"
                        "is kept unless --force is given.\n"
                        "\n"
                        "Output: one line with the counts of QSOs, modes and station rows copied and of\n"
                        "the columns and rows skipped; each skipped column, row or table is described\n"
                        "on standard error."),
                    {{QCommandLineOption(QStringLiteral("force")), QStringLiteral("--force"),
                      TarnixCli::tr("Replace a file already at NEW.mdb.")}},
                    runConvert};

    list << Command{QStringLiteral("import"),
                    QStringLiteral("LOG FILE.adi"),
                    {QStringLiteral("LOG"), QStringLiteral("FILE.adi")},
                    false,
                    TarnixCli::tr("Append the QSOs of an ADIF file to a log."),
                    TarnixCli::tr(
                        "Appends every QSO record of the ADIF file to the log, as the log window's\n"
                        "ADIF import does. Either all of them are added or none: a record that cannot\n"
                        "be read (a bad date, time or length) stops the import, the message names the\n"
                        "record, and the log stays as it was.\n"
                        "\n"
                        "Output: one line with the number of QSOs added."),
                    {},
                    runImport};

    list << Command{QStringLiteral("export"),
                    QStringLiteral("[--utf8 | --cp1251] LOG FILE.adi"),
                    {QStringLiteral("LOG"), QStringLiteral("FILE.adi")},
                    false,
                    TarnixCli::tr("Write every QSO of a log to an ADIF file."),
                    TarnixCli::tr(
                        "Writes every QSO of the log, in the order of date and start time, to the ADIF\n"
                        "file, as the log window's ADIF export does. The file is replaced only by a\n"
                        "complete export; a failed one leaves it as it was. A log or other database\n"
                        "is never written over.\n"
                        "\n"
                        "The encoding is Tarnix's program-wide setting unless an option names one:\n"
                        "Windows-1251 while every value fits it (otherwise UTF-8, with a warning),\n"
                        "or UTF-8 always.\n"
                        "\n"
                        "Output: one line with the encoding written and the number of QSOs."),
                    {{QCommandLineOption(QStringLiteral("utf8")), QStringLiteral("--utf8"),
                      TarnixCli::tr("Write UTF-8.")},
                     {QCommandLineOption(QStringLiteral("cp1251")), QStringLiteral("--cp1251"),
                      TarnixCli::tr("Write Windows-1251 while every value fits it, otherwise UTF-8.")}},
                    runExport};

    list << Command{QStringLiteral("country"),
                    QStringLiteral("[--cty FILE] CALL..."),
                    {QStringLiteral("CALL")},
                    true,
                    TarnixCli::tr("Show the DXCC country of call signs."),
                    TarnixCli::tr(
                        "Looks up the DXCC country of each call sign as the log window does (the call\n"
                        "taken in capitals, the longest matching prefix of the country file).\n"
                        "\n"
                        "Output: one line per call, fields separated by tabs:\n"
                        "  call, country name, continent, primary prefix, CQ zone, ITU zone.\n"
                        "A call without a country gives its line with empty fields; that is no error.\n"
                        "\n")
                        + countryFiles,
                    {cty},
                    runCountry};

    list << Command{QStringLiteral("distance"),
                    QStringLiteral("MYLOC LOC..."),
                    {QStringLiteral("MYLOC"), QStringLiteral("LOC")},
                    true,
                    TarnixCli::tr("Show distance and bearing from one grid locator to others."),
                    TarnixCli::tr(
                        "Computes the great-circle distance and the initial bearing from the grid\n"
                        "locator MYLOC to each LOC, with the figures the log window shows. A locator\n"
                        "has 4, 6 or 8 characters (KO85, KO85UR, KO85UR42), in either case.\n"
                        "\n"
                        "Output: one line per LOC, fields separated by tabs:\n"
                        "  locator, distance in km, bearing in degrees from north.\n"
                        "A LOC that is not a locator is named on standard error; the others are still\n"
                        "shown and the exit status is 1."),
                    {},
                    runDistance};

    list << Command{QStringLiteral("rebuild"),
                    QStringLiteral("[--cty FILE] LOG"),
                    {QStringLiteral("LOG")},
                    false,
                    TarnixCli::tr("Set the DXCC country of every QSO of a log anew."),
                    TarnixCli::tr(
                        "Sets the country text (the primary prefix) of every QSO of the log from its\n"
                        "call sign and the country file, as the log window's DXCC rebuild does. All\n"
                        "QSOs are changed or, on an error, none.\n"
                        "\n"
                        "Output: one line with the number of QSOs and of those without a country.\n"
                        "\n")
                        + countryFiles,
                    {cty},
                    runRebuild};
    return list;
}

// ---------------------------------------------------------------- help and usage

const Command *findCommand(const QList<Command> &list, const QString &name)
{
    for (const Command &c : list) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

QString optionLines(const QList<QPair<QString, QString>> &rows)
{
    int width = 0;
    for (const auto &r : rows)
        width = qMax(width, int(r.first.size()));
    QString text;
    for (const auto &r : rows)
        text += QStringLiteral("  %1  %2\n").arg(r.first, -width).arg(r.second);
    return text;
}

QString mainHelp(const QList<Command> &list)
{
    const QString exe = QLatin1String(CliText::programName());
    QString text = TarnixCli::tr("Usage: %1 COMMAND [OPTION]... ARGUMENT...\n"
                                 "       %1 --help | --version\n"
                                 "\n"
                                 "Works on Tarnix station logs without a window.\n"
                                 "\n"
                                 "Commands:\n")
                       .arg(exe);
    QList<QPair<QString, QString>> rows;
    for (const Command &c : list) {
        QString shown = c.name;
        for (int i = 0; i < c.argNames.size(); ++i)
            shown += QLatin1Char(' ') + c.argNames[i]
                     + (c.lastRepeats && i == c.argNames.size() - 1 ? QStringLiteral("...") : QString());
        rows << qMakePair(shown, c.summary);
    }
    text += optionLines(rows);
    text += TarnixCli::tr("\nOptions:\n");
    text += optionLines({{QStringLiteral("-h, --help"), TarnixCli::tr("Show this help and exit.")},
                         {QStringLiteral("-v, --version"), TarnixCli::tr("Show the version and exit.")}});
    text += TarnixCli::tr("\n"
                          "'%1 COMMAND --help' describes a command, its options and its output.\n"
                          "Results go to standard output, messages to standard error; progress is shown\n"
                          "on standard error when it is a terminal.\n"
                          "Exit status: 0 success, 1 error, 2 wrong usage.\n")
                .arg(exe);
    return text;
}

QString commandHelp(const Command &c)
{
    const QString exe = QLatin1String(CliText::programName());
    QString text = TarnixCli::tr("Usage: %1 %2 %3\n").arg(exe, c.name, c.arguments);
    text += QLatin1Char('\n') + c.description + QLatin1Char('\n');
    QList<QPair<QString, QString>> rows;
    for (const Option &o : c.options)
        rows << qMakePair(o.shown, o.description);
    rows << qMakePair(QStringLiteral("-h, --help"), TarnixCli::tr("Show this help and exit."));
    text += TarnixCli::tr("\nOptions:\n") + optionLines(rows);
    text += TarnixCli::tr("\nExit status: 0 success, 1 error, 2 wrong usage.\n");
    return text;
}

int wrongUsage(const QString &problem, const QString &helpCommand)
{
    message(problem);
    const QString exe = QLatin1String(CliText::programName());
    const QString help = helpCommand.isEmpty()
                             ? exe + QStringLiteral(" --help")
                             : exe + QLatin1Char(' ') + helpCommand + QStringLiteral(" --help");
    std::fprintf(stderr, "%s\n", qPrintable(TarnixCli::tr("Try '%1' for more information.").arg(help)));
    return WrongUsage;
}

int runCommand(const Command &c, const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-force" is not a bundle of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(help);
    for (const Option &o : c.options)
        parser.addOption(o.option);
    if (!parser.parse(arguments))
        return wrongUsage(TarnixCli::tr("%1: %2").arg(c.name, parser.errorText()), c.name);
    if (parser.isSet(help)) {
        std::fputs(qPrintable(commandHelp(c)), stdout);
        return Success;
    }
    const QStringList args = parser.positionalArguments();
    if (args.size() < c.argNames.size())
        return wrongUsage(TarnixCli::tr("%1: missing argument %2").arg(c.name, c.argNames[args.size()]),
                          c.name);
    if (args.size() > c.argNames.size() && !c.lastRepeats)
        return wrongUsage(
            TarnixCli::tr("%1: unexpected argument %2").arg(c.name, quoted(args[c.argNames.size()])), c.name);
    if (c.name == QLatin1String("export") && parser.isSet(QStringLiteral("utf8"))
        && parser.isSet(QStringLiteral("cp1251")))
        return wrongUsage(TarnixCli::tr("export: --utf8 and --cp1251 exclude each other"), c.name);

    try {
        return c.run(parser, args);
    } catch (const DbError &e) {
        for (const QString &line : e.message().split(QLatin1Char('\n')))
            message(line);
        return Failure;
    }
}

}   // namespace

int run(const QStringList &arguments)
{
    const QList<Command> list = commands();
    const QString exe = arguments.value(0, QLatin1String(CliText::programName()));

    int status = Success;
    try {
        const QString first = arguments.value(1);
        if (first.isEmpty() && arguments.size() < 2) {
            status = wrongUsage(TarnixCli::tr("no command given"), QString());
        } else if (first == QLatin1String("-h") || first == QLatin1String("--help")
                   || first == QLatin1String("-help")) {
            std::fputs(qPrintable(mainHelp(list)), stdout);
        } else if (first == QLatin1String("-v") || first == QLatin1String("--version")
                   || first == QLatin1String("-version")) {
            result(version());
        } else if (first == QLatin1String("help")) {
            // "help COMMAND" is "COMMAND --help".
            const QString name = arguments.value(2);
            const Command *c = findCommand(list, name);
            if (name.isEmpty())
                std::fputs(qPrintable(mainHelp(list)), stdout);
            else if (!c)
                status = wrongUsage(TarnixCli::tr("unknown command %1").arg(quoted(name)), QString());
            else
                std::fputs(qPrintable(commandHelp(*c)), stdout);
        } else if (first.startsWith(QLatin1Char('-'))) {
            status = wrongUsage(TarnixCli::tr("unknown option %1").arg(quoted(first)), QString());
        } else if (const Command *c = findCommand(list, first)) {
            status = runCommand(*c, QStringList{exe} + arguments.mid(2));
        } else {
            status = wrongUsage(TarnixCli::tr("unknown command %1").arg(quoted(first)), QString());
        }
    } catch (const Interrupted &) {
        message(TarnixCli::tr("interrupted; no file was changed"));
        Interruption::endBySignal();
    }
    // Results that could not be written (a full disk, a closed pipe) are an error.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        message(TarnixCli::tr("cannot write to standard output"));
        status = Failure;
    }
    // A stop that came after the work was done changes nothing, but the
    // shell still learns of it.
    if (Interruption::requested())
        Interruption::endBySignal();
    return status;
}

}   // namespace Cli
