#pragma once
#include <QCoreApplication>
#include <QString>

// Every text the command-line program shows is translated in one context,
// "TarnixCli"; TarnixCli::tr(...) is QCoreApplication::translate("TarnixCli", ...).
class TarnixCli {
    Q_DECLARE_TR_FUNCTIONS(TarnixCli)
};

namespace CliText {

// The program's name at the head of each message on stderr.
inline const char *programName()
{
    return "tarnix-cli";
}

// Results: one line on stdout.
void result(const QString &line);
// A message on stderr, "tarnix-cli: <text>".
void message(const QString &text);
// "tarnix-cli: warning: <text>" on stderr.
void warning(const QString &text);
// A name shown in a message: quoted, in the system's separators.
QString quoted(const QString &path);

}   // namespace CliText
