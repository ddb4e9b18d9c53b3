#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace CommandLine {

namespace {
void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Station log for radio amateurs: QSOs entered as they happen, DXCC countries from "
                       "cty.dat, ADIF exchange, printed log and QSL labels."));
    parser.addHelpOption();
    parser.addVersionOption();
    // "-reverse" or "-style" must not read as a bundle of -r -e -v ... letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}
}   // namespace

void answerInfoOptions(int argc, char **argv)
{
    // A core application is enough for the texts; it is gone before the
    // program's own application object is made.
    QCoreApplication core(argc, argv);
    QCommandLineParser parser;
    describe(parser);
    parser.parse(QCoreApplication::arguments());   // Qt's options are not known here: no errors yet
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
}

bool acceptRemainingArguments()
{
    QCommandLineParser parser;
    describe(parser);
    QString problem;
    if (!parser.parse(QCoreApplication::arguments()))
        problem = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        problem = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (problem.isEmpty())
        return true;
    const QString exe
        = QFileInfo(QCoreApplication::arguments().value(0, QStringLiteral("tarnix"))).fileName();
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", qPrintable(exe), qPrintable(problem),
                 qPrintable(exe));
    return false;
}

}   // namespace CommandLine
