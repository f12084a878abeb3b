#pragma once
// A progress bar that shows every step but tells a screen reader of its value at a desktop's pace: at each tenth
// once a few seconds have passed since it last told, and always at the end. Its value read at any time is the one
// shown.
#include <QElapsedTimer>
#include <QProgressBar>

namespace yeroup::app {

class TPacedProgressBar : public QProgressBar {
    Q_OBJECT

public:
    explicit TPacedProgressBar(QWidget* parent) : QProgressBar(parent) {}

    // The percentage under way (0 to 100), told when it is due.
    void ShowPercent(int percent);
    // Back to the start without telling: the next percentages are a new download's.
    void Restart();
    int Shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int shown_ = 0;
    QElapsedTimer told_;
};

}  // namespace yeroup::app
