#include "app/ui/ArchiverPrompt.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "app/core/Texts.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

// The archiver's texts carry entry names in the ANSI code page.
zip::TZFOverwriteAnswer TArchiverPrompts::ConfirmOverwrite(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(texts::kApplicationTitle),
                    QString::fromStdString(platform::AnsiToUtf8(text)),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::NoToAll | QMessageBox::YesToAll);
    switch (box.exec()) {
    case QMessageBox::Yes: return zip::TZFOverwriteAnswer::Yes;
    case QMessageBox::YesToAll: return zip::TZFOverwriteAnswer::YesToAll;
    case QMessageBox::NoToAll: return zip::TZFOverwriteAnswer::NoToAll;
    default: return zip::TZFOverwriteAnswer::No;
    }
}

zip::TZFAction TArchiverPrompts::ProcessFileFailure(const std::string& text) {
    switch (boxes_.MessageBox(nullptr, platform::AnsiToUtf8(text), texts::kApplicationTitle,
                              MB_ABORTRETRYIGNORE | MB_ICONWARNING)) {
    case IDRETRY: return zip::fxaRetry;
    case IDIGNORE: return zip::fxaIgnore;
    default: return zip::fxaAbort;
    }
}

bool TArchiverPrompts::QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) {
    bool ok = false;
    const QString answer = QInputDialog::getText(nullptr, QString::fromStdString(platform::AnsiToUtf8(caption)),
                                                 QString::fromStdString(platform::AnsiToUtf8(prompt)),
                                                 QLineEdit::Password, QString::fromStdString(value), &ok);
    if (ok) value = platform::Utf8ToAnsi(answer.toStdString());
    return ok;
}

}  // namespace yeroup::app
