// What `yeroup --history` prints: the columns padded to their widest cell, the reason last and unpadded, so a line
// reads across and a script can still split it.
#include <QCoreApplication>
#include <algorithm>
#include <array>

#include "app/CommandLine.h"
#include "app/core/Texts.h"
#include "app/core/Trace.h"
#include "app/ui/Translation.h"
#include "app/upgrade/UpgradeHistory.h"

namespace yeroup::app {

namespace {

constexpr std::size_t kReportColumns = 7;
using TReportRow = std::array<QString, kReportColumns>;

TReportRow ReportRow(const upgrade::THistoryEntry& entry) {
    const auto known = [](const std::string& text) {
        return text.empty() ? QStringLiteral("-") : QString::fromStdString(text);
    };
    return {QString::fromStdString(UtcTimeText(entry.time)),
            QString::fromUtf8(upgrade::OutcomeWord(entry.outcome).data(),
                              static_cast<qsizetype>(upgrade::OutcomeWord(entry.outcome).size())),
            known(entry.model),
            known(entry.before),
            known(entry.after),
            known(entry.sha256),
            QString::fromStdString(entry.reason)};
}

QString ReportLines(const std::vector<TReportRow>& rows) {
    std::array<qsizetype, kReportColumns> widths{};
    for (const TReportRow& row : rows)
        for (std::size_t column = 0; column < kReportColumns; ++column)
            widths[column] = std::max(widths[column], row[column].size());
    QString text;
    for (const TReportRow& row : rows) {
        QString line;
        for (std::size_t column = 0; column + 1 < kReportColumns; ++column)
            line += row[column].leftJustified(widths[column]) + QStringLiteral("  ");
        text += (line + row.back()).trimmed() + QLatin1Char('\n');
    }
    return text;
}

}  // namespace

TCommandLine HistoryReport(const std::string& historyFile) {
    TCommandLine result;
    result.action = TCommandLine::TAction::History;
    upgrade::THistory history;
    try {
        history = upgrade::ReadHistory(historyFile);
    } catch (const upgrade::EHistoryError& e) {
        result.action = TCommandLine::TAction::Error;
        result.exitCode = 1;
        result.output = QStringLiteral("yeroup: ") + QTr(texts::kHistoryCannotRead).arg(QString::fromUtf8(e.what())) +
                        QLatin1Char('\n');
        return result;
    }
    if (history.entries.empty()) {
        result.output = QTr(texts::kHistoryNone) + QLatin1Char('\n');
    } else {
        std::vector<TReportRow> rows{{QTr(texts::kHistoryTimeHeading), QTr(texts::kHistoryOutcomeHeading),
                                      QTr(texts::kHistoryModelHeading), QTr(texts::kHistoryBeforeHeading),
                                      QTr(texts::kHistoryAfterHeading), QTr(texts::kHistoryDigestHeading),
                                      QTr(texts::kHistoryReasonHeading)}};
        for (const upgrade::THistoryEntry& entry : history.entries) rows.push_back(ReportRow(entry));
        result.output = ReportLines(rows);
    }
    if (history.damaged > 0) result.output += QTr(texts::kHistoryDamagedLines).arg(history.damaged) + QLatin1Char('\n');
    return result;
}

}  // namespace yeroup::app
