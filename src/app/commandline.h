#pragma once

// The program's command line: --help and --version, and nothing else of its
// own besides the options Qt itself takes (-platform, -style, -display, ...).
namespace CommandLine {

// Answers --help and --version and ends the process; returns when neither
// was asked for. Call it before the application object exists, so both work
// without a display. The application's name and version must be set.
void answerInfoOptions(int argc, char **argv);

// After the application object has taken Qt's options: anything left over is
// reported on stderr ("Unknown option ...") and false is returned, so that a
// mistyped option is not silently ignored.
bool acceptRemainingArguments();

}   // namespace CommandLine
