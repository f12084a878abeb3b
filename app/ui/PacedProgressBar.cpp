#include "app/ui/PacedProgressBar.h"

#include <QStyleOptionProgressBar>
#include <QStylePainter>

namespace yeroup::app {

namespace {

// A tenth of the way: often enough to follow, seldom enough not to talk over everything else.
constexpr int kToldStep = 10;
// A fast download passes tenths within a second; a screen reader speaking each would lag behind.
constexpr qint64 kToldPauseMs = 3000;

}  // namespace

void TPacedProgressBar::ShowPercent(int percent) {
    if (percent == shown_) return;
    shown_ = percent;
    const bool end = percent >= maximum();
    const bool nextTenth = percent / kToldStep != value() / kToldStep;
    if (end || (nextTenth && (!told_.isValid() || told_.elapsed() >= kToldPauseMs))) {
        told_.start();
        setValue(percent);  // the value event a screen reader hears
    } else {
        update();
    }
}

void TPacedProgressBar::Restart() {
    shown_ = minimum();
    told_.start();
    reset();
    update();
}

void TPacedProgressBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.progress = shown_;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}

}  // namespace yeroup::app
