#include "app/CommandLine.h"

#include <QCommandLineParser>

#include "app/core/Texts.h"
#include "app/core/VersionText.h"
#include "app/ui/Translation.h"

namespace yeroup::app {

TCommandLine ParseCommandLine(const QStringList& arguments, const QString& traceFile) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QTr(texts::kCommandLineAbout));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QTr(texts::kHelpOption));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QTr(texts::kVersionOption));
    const QCommandLineOption trace(QStringLiteral("trace"), QTr(texts::kTraceOption).arg(traceFile));
    const QCommandLineOption history(QStringLiteral("history"), QTr(texts::kHistoryOption));
    parser.addOptions({help, version, history, trace});

    TCommandLine result;
    const auto error = [&result](const QString& what) {
        result.action = TCommandLine::TAction::Error;
        result.exitCode = 2;
        result.output =
            QStringLiteral("yeroup: ") + what + QLatin1Char('\n') + QTr(texts::kTryHelp) + QLatin1Char('\n');
        return result;
    };
    if (!parser.parse(arguments)) return error(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return error(QTr(texts::kUnexpectedArgument).arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        result.action = TCommandLine::TAction::Help;
        result.output = parser.helpText();
        // The usage line names the program as it is known, not by the path it was started with.
        if (const qsizetype at = arguments.isEmpty() ? -1 : result.output.indexOf(arguments.first()); at >= 0)
            result.output.replace(at, arguments.first().size(), QStringLiteral("yeroup"));
        if (!result.output.endsWith(QLatin1Char('\n'))) result.output += QLatin1Char('\n');
    } else if (parser.isSet(version)) {
        result.action = TCommandLine::TAction::Version;
        // The main window's caption names the build by the version's last two numbers: both are given, so that
        // a user reading either finds the same program.
        result.output = QStringLiteral("yeroup ") + QCoreApplication::applicationVersion() + QStringLiteral(" (") +
                        QTr(texts::kMainCaptionPrefix) + QString::fromStdString(VersionText()) + QStringLiteral(")\n");
    } else if (parser.isSet(history)) {
        result.action = TCommandLine::TAction::History;
    }
    result.trace = parser.isSet(trace);
    return result;
}

}  // namespace yeroup::app
