#include "app/ui/FormLook.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include "app/ui/Accessibility.h"
#include "app/ui/Fonts.h"

namespace yeroup::app {

void ApplyFormLook(QWidget& form, int clientWidth, int clientHeight) {
    InstallAccessibleInterfaces();
    form.setFixedSize(clientWidth, clientHeight);
    form.setFont(SansSerif11());
    form.setAutoFillBackground(true);
    QPalette face = form.palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    form.setPalette(face);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        form.move(screen->availableGeometry().center() - form.rect().center());
}

}  // namespace yeroup::app
