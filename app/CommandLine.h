#pragma once
// The program's command line, as users of a Linux program expect it: --help, --version and --history answer on the
// terminal and end the program, --trace turns the trace for support on for this run, anything else is an error that
// ends it with status 2 before any window opens.
#include <QString>
#include <QStringList>
#include <string>

namespace yeroup::app {

struct TCommandLine {
    enum class TAction { Run, Help, Version, History, Error };
    TAction action = TAction::Run;
    bool trace = false;
    // For Help and Version (and History, once HistoryReport made it) what goes to the standard output, for Error what
    // goes to the standard error.
    QString output;
    int exitCode = 0;
};

// arguments as QCoreApplication::arguments() gives them (the program first); traceFile is named in the help. The
// texts are in the language of the translations installed.
TCommandLine ParseCommandLine(const QStringList& arguments, const QString& traceFile);

// --history: the history of upgrades in historyFile, oldest first, one line per upgrade in columns, and the status
// 0; a history that cannot be read is an error with the status 1.
TCommandLine HistoryReport(const std::string& historyFile);

}  // namespace yeroup::app
