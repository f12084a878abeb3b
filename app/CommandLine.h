#pragma once
// The program's command line, as users of a Linux program expect it: --help and --version answer on the terminal
// and end the program, --trace turns the trace for support on for this run, anything else is an error that ends
// it with status 2 before any window opens.
#include <QString>
#include <QStringList>

namespace yeroup::app {

struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction action = TAction::Run;
    bool trace = false;
    // For Help and Version what goes to the standard output, for Error what goes to the standard error.
    QString output;
    int exitCode = 0;
};

// arguments as QCoreApplication::arguments() gives them (the program first); traceFile is named in the help. The
// texts are in the language of the translations installed.
TCommandLine ParseCommandLine(const QStringList& arguments, const QString& traceFile);

}  // namespace yeroup::app
