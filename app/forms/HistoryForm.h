#pragma once
// The history of upgrades as a window: one read-only row per upgrade, oldest first and the newest selected, or a
// line saying there is none (or why the history cannot be read). Esc or the close button closes it.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <string>

#include "app/upgrade/UpgradeHistory.h"

namespace yeroup::app {

class THistoryForm : public QDialog {
public:
    // error: why the history cannot be read, empty when it was read.
    THistoryForm(const upgrade::THistory& history, const std::string& error, QWidget* parent = nullptr);

    QLabel* NoteLabel;
    QTableWidget* Table;
    QPushButton* CloseButton;

private:
    void FillTable(const upgrade::THistory& history);
};

}  // namespace yeroup::app
