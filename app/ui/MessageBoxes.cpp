#include "app/ui/MessageBoxes.h"

#include <QMessageBox>
#include <QString>

#include "app/core/Texts.h"

namespace yeroup::app {

int TQtMessageBoxes::MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) {
    QString body = QString::fromUtf8(text);
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromUtf8(caption));
    box.setText(body);
    const unsigned icon = flags & 0xF0;
    box.setIcon(icon == MB_ICONERROR     ? QMessageBox::Critical
                : icon == MB_ICONWARNING ? QMessageBox::Warning
                                         : QMessageBox::NoIcon);
    switch (flags & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_ABORTRETRYIGNORE:
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    default: break;
    }
    // Closing the box answers as its Cancel (or, for Abort/Retry/Ignore, as Abort) would.
    return (flags & 0x0F) == MB_ABORTRETRYIGNORE ? IDABORT : (flags & 0x0F) == MB_OK ? IDOK : IDCANCEL;
}

void ShowDefaultErrorBox(IMessageBoxes& boxes, const std::string& message) {
    std::string text = message;
    if (!text.empty() && text.back() != '.') text += '.';
    boxes.MessageBox(nullptr, text, texts::kApplicationTitle, MB_OK | MB_ICONERROR);
}

}  // namespace yeroup::app
