#include "app/ui/MessageBoxes.h"

#include <QMessageBox>
#include <QString>

#include "app/core/Texts.h"
#include "app/ui/Translation.h"
#include "platform/files/FileErrors.h"

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
    // A message that ends in a full stop, Chinese ones included, gets none more.
    if (!text.empty() && text.back() != '.' && !QString::fromStdString(text).endsWith(QChar(0x3002))) text += '.';
    boxes.MessageBox(nullptr, text, texts::kApplicationTitle, MB_OK | MB_ICONERROR);
}

void ShowDefaultErrorBox(IMessageBoxes& boxes, const std::exception& error) {
    const auto* file = dynamic_cast<const platform::EFileCreateError*>(&error);
    if (!file) return ShowDefaultErrorBox(boxes, error.what());
    const std::string reason = platform::FileErrorText(file->Error());
    const QString pattern = QTr("files", platform::texts::kCannotCreateFile);
    ShowDefaultErrorBox(
        boxes, Format(pattern.toStdString().c_str(), {file->Path(), QTr("files", reason.c_str()).toStdString()}));
}

}  // namespace yeroup::app
