#include "app/ui/ArchiverPrompt.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/core/Message.h"
#include "app/core/Texts.h"
#include "app/ui/Translation.h"
#include "platform/text/CodePages.h"
#include "zip/ZipException.h"

namespace yeroup::app {

namespace {

constexpr const char* kContext = "archiver";

// The pattern as a whole-text expression in which each mark of an insertion ("%1", "%s", "%d") matches anything,
// after an optional part matched by prefix.
QRegularExpression Expression(const char* pattern, const QString& prefix = {}) {
    static const QRegularExpression marks(QStringLiteral("%[1-9sd]"));
    const QString text = QString::fromUtf8(pattern);
    QString expression = QStringLiteral("^") + prefix;
    qsizetype at = 0;
    for (auto it = marks.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch mark = it.next();
        expression += QRegularExpression::escape(text.mid(at, mark.capturedStart() - at)) + QStringLiteral("(.*)");
        at = mark.capturedEnd();
    }
    expression += QRegularExpression::escape(text.mid(at)) + QStringLiteral("$");
    return QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption);
}

// The translation of pattern (its insertions written "%1", "%2", ... there) with parts inserted in order.
QString Translated(const char* pattern, const QStringList& parts) {
    std::vector<std::string> args;
    for (const QString& part : parts) args.push_back(part.toStdString());
    return QString::fromStdString(Format(QTr(kContext, pattern).toStdString().c_str(), args));
}

QStringList Captures(const QRegularExpressionMatch& match, int first = 1) {
    QStringList parts;
    for (int i = first; i <= match.lastCapturedIndex(); ++i) parts << match.captured(i);
    return parts;
}

// "[Archiver: ]<message> - Native error: NNNNN", the message one of the archiver's error messages.
QString TranslatedError(const QString& text) {
    const QRegularExpressionMatch native = Expression(zip::texts::kNativeError).match(text);
    if (!native.hasMatch()) return text;
    QString message = native.captured(1);
    for (std::int32_t code = 0; code < zip::EZFException::MessageCount(); ++code) {
        const char* pattern = zip::EZFException::MessageOf(code);
        const QRegularExpressionMatch known = Expression(pattern, QStringLiteral("(?:(.*?): )?")).match(message);
        if (!known.hasMatch()) continue;
        // The archiver's name before its message stays as it is.
        const QString name = known.captured(1);
        message = (name.isEmpty() ? QString() : name + QStringLiteral(": ")) + Translated(pattern, Captures(known, 2));
        break;
    }
    return Translated(zip::texts::kNativeError, {message, native.captured(2)});
}

}  // namespace

std::string ArchiverText(const std::string& text) {
    const QString english = QString::fromStdString(platform::AnsiToUtf8(text));
    if (const auto failure = Expression(zip::texts::kFileFailure).match(english); failure.hasMatch())
        return Translated(zip::texts::kFileFailure, {TranslatedError(failure.captured(1))}).toStdString();
    for (const char* pattern : {zip::texts::kOverwrite, zip::texts::kPasswordFor, zip::texts::kEnterPassword})
        if (const auto match = Expression(pattern).match(english); match.hasMatch())
            return Translated(pattern, Captures(match)).toStdString();
    return TranslatedError(english).toStdString();
}

zip::TZFOverwriteAnswer TArchiverPrompts::ConfirmOverwrite(const std::string& text) {
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(texts::kApplicationTitle),
                    QString::fromStdString(ArchiverText(text)),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::NoToAll | QMessageBox::YesToAll);
    switch (box.exec()) {
    case QMessageBox::Yes: return zip::TZFOverwriteAnswer::Yes;
    case QMessageBox::YesToAll: return zip::TZFOverwriteAnswer::YesToAll;
    case QMessageBox::NoToAll: return zip::TZFOverwriteAnswer::NoToAll;
    default: return zip::TZFOverwriteAnswer::No;
    }
}

zip::TZFAction TArchiverPrompts::ProcessFileFailure(const std::string& text) {
    switch (boxes_.MessageBox(nullptr, ArchiverText(text), texts::kApplicationTitle,
                              MB_ABORTRETRYIGNORE | MB_ICONWARNING)) {
    case IDRETRY: return zip::fxaRetry;
    case IDIGNORE: return zip::fxaIgnore;
    default: return zip::fxaAbort;
    }
}

bool TArchiverPrompts::QueryPassword(const std::string& caption, const std::string& prompt, std::string& value) {
    bool ok = false;
    const QString answer = QInputDialog::getText(nullptr, QString::fromStdString(ArchiverText(caption)),
                                                 QString::fromStdString(ArchiverText(prompt)), QLineEdit::Password,
                                                 QString::fromStdString(value), &ok);
    if (ok) value = platform::Utf8ToAnsi(answer.toStdString());
    return ok;
}

}  // namespace yeroup::app
