#include "app/Display.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "app/core/Texts.h"
#include "app/ui/Translation.h"

namespace yeroup::app {

namespace {

QString EnvironmentText(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

// Only the X11 and Wayland platforms need a display; offscreen, vnc, minimal and the like do not.
bool PlatformNeedsDisplay() {
    const QString platform = EnvironmentText("QT_QPA_PLATFORM").section(QLatin1Char(':'), 0, 0);
    return platform.isEmpty() || platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

// The handler that turns Qt's fatal failure to open the display into the program's message; set only while the
// application is being created.
QByteArray gUnreachableMessage;
QtMessageHandler gPreviousHandler = nullptr;

void EndWithoutDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        gPreviousHandler(type, context, text);
        return;
    }
    std::fputs(gUnreachableMessage.constData(), stderr);
    std::fflush(stderr);
    std::_Exit(kNoDisplayStatus);
}

}  // namespace

std::optional<QString> NoDisplayMessage() {
    if (!PlatformNeedsDisplay() || !EnvironmentText("DISPLAY").isEmpty() ||
        !EnvironmentText("WAYLAND_DISPLAY").isEmpty())
        return std::nullopt;
    return QStringLiteral("yeroup: ") + QTr(texts::kNoDisplay) + QLatin1Char('\n');
}

QString UnreachableDisplayMessage() {
    const QString wayland = EnvironmentText("WAYLAND_DISPLAY");
    const QString named = wayland.isEmpty() ? EnvironmentText("DISPLAY") : wayland;
    return QStringLiteral("yeroup: ") + QTr(texts::kDisplayUnreachable).arg(named) + QLatin1Char('\n');
}

std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv, const QString& unreachableMessage) {
    gUnreachableMessage = unreachableMessage.toLocal8Bit();
    gPreviousHandler = qInstallMessageHandler(EndWithoutDisplay);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(gPreviousHandler);
    return application;
}

}  // namespace yeroup::app
