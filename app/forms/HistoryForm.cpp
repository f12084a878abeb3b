#include "app/forms/HistoryForm.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "app/core/Texts.h"
#include "app/core/Trace.h"
#include "app/ui/Accessibility.h"
#include "app/ui/Fonts.h"
#include "app/ui/Translation.h"

namespace yeroup::app {

namespace {

const char* OutcomeCaption(upgrade::THistoryOutcome outcome) {
    switch (outcome) {
    case upgrade::THistoryOutcome::UnderWay: return texts::kHistoryUnderWay;
    case upgrade::THistoryOutcome::Finished: return texts::kHistoryFinished;
    case upgrade::THistoryOutcome::RolledBack: return texts::kHistoryRolledBack;
    case upgrade::THistoryOutcome::Refused: return texts::kHistoryRefused;
    case upgrade::THistoryOutcome::LeftForUser: break;
    }
    return texts::kHistoryLeftForUser;
}

QTableWidgetItem* HistoryCell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    // A long reason or digest is read whole from the tool tip.
    item->setToolTip(item->text());
    return item;
}

}  // namespace

THistoryForm::THistoryForm(const upgrade::THistory& history, const std::string& error, QWidget* parent)
    : QDialog(parent) {
    InstallAccessibleInterfaces();
    setWindowTitle(QTr(texts::kHistoryCaption));
    setFont(SimSun12());
    resize(760, 320);

    NoteLabel = new QLabel(this);
    NoteLabel->setWordWrap(true);
    if (!error.empty())
        NoteLabel->setText(QTr(texts::kHistoryUnreadable).arg(QString::fromStdString(error)));
    else if (history.entries.empty())
        NoteLabel->setText(QTr(texts::kHistoryEmpty));
    NoteLabel->setVisible(!NoteLabel->text().isEmpty());

    Table = new QTableWidget(this);
    Table->setAccessibleName(QTr(texts::kHistoryTableName));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->verticalHeader()->hide();
    // The table takes the focus and Tab leaves it for the button, instead of walking its cells.
    Table->setTabKeyNavigation(false);
    FillTable(history);
    Table->setVisible(!history.entries.empty());

    CloseButton = new QPushButton(QTr(texts::kHistoryClose), this);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(NoteLabel);
    layout->addWidget(Table, 1);
    layout->addWidget(CloseButton, 0, Qt::AlignRight);
    if (!history.entries.empty()) {
        Table->setFocus();
        Table->selectRow(Table->rowCount() - 1);
    } else {
        CloseButton->setFocus();
    }
}

void THistoryForm::FillTable(const upgrade::THistory& history) {
    const QStringList headers{QTr(texts::kHistoryTimeColumn),    QTr(texts::kModelListName),
                              QTr(texts::kHistoryBeforeColumn),  QTr(texts::kHistoryAfterColumn),
                              QTr(texts::kHistoryOutcomeColumn), QTr(texts::kHistoryReasonColumn),
                              QTr(texts::kHistoryDigestColumn)};
    Table->setColumnCount(static_cast<int>(headers.size()));
    Table->setHorizontalHeaderLabels(headers);
    Table->setRowCount(static_cast<int>(history.entries.size()));
    int row = 0;
    for (const upgrade::THistoryEntry& entry : history.entries) {
        const std::string outcome = QTr(OutcomeCaption(entry.outcome)).toStdString();
        int column = 0;
        for (const std::string& text :
             {UtcTimeText(entry.time), entry.model, entry.before, entry.after, outcome, entry.reason, entry.sha256})
            Table->setItem(row, column++, HistoryCell(text));
        ++row;
    }
    Table->resizeColumnsToContents();
    // A reason is cut to the column's room; its tool tip holds it whole.
    Table->setColumnWidth(5, std::min(Table->columnWidth(5), 240));
    Table->horizontalHeader()->setStretchLastSection(true);
}

}  // namespace yeroup::app
