#pragma once
#include <QStringList>

// The subcommands of tarnix-cli and the parsing of its command line.
namespace Cli {

enum ExitStatus {
    Success = 0,
    Failure = 1,      // the work could not be done: the message says why, naming the file
    WrongUsage = 2,   // unknown command or option, wrong number of arguments
};

// Runs the command line, program name first (QCoreApplication::arguments()).
// Results go to stdout, messages to stderr; returns the exit status.
int run(const QStringList &arguments);

}   // namespace Cli
