#pragma once
// The look both windows share: a fixed client size, the default font, the button-face background, a place at
// the centre of the desktop, and the program's accessible interfaces.
#include <QWidget>

namespace yeroup::app {

void ApplyFormLook(QWidget& form, int clientWidth, int clientHeight);

}  // namespace yeroup::app
