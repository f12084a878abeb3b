#include "app/ui/Translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace yeroup::app {

namespace {

// The context app/core/Texts.h names for its texts.
constexpr const char* kProgramContext = "yeroup";

std::unique_ptr<QTranslator> Load(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get())) return nullptr;
    return translator;
}

}  // namespace

TLanguage LanguageOf(const QString& localeName) {
    const QString name = localeName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (name.isEmpty() || name == QLatin1String("C") || name == QLatin1String("POSIX")) return TLanguage::Source;
    return name == QLatin1String("zh") || name.startsWith(QLatin1String("zh_")) ? TLanguage::Chinese
                                                                                : TLanguage::English;
}

TLanguage DesktopLanguage() {
    // As for any program's messages: the first of these that is set names the locale. Unless that is C, the first
    // entry of LANGUAGE, when set, is the language the user prefers.
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (value.isEmpty()) continue;
        if (LanguageOf(value) == TLanguage::Source) return TLanguage::Source;
        const QString preferred = qEnvironmentVariable("LANGUAGE").section(QLatin1Char(':'), 0, 0);
        return LanguageOf(preferred.isEmpty() ? value : preferred);
    }
    return TLanguage::Source;
}

QString TranslationsFolder(const QString& exeFolder) {
    const QDir exe(exeFolder);
    if (exe.exists(QStringLiteral("translations"))) return exe.filePath(QStringLiteral("translations"));
    return QDir::cleanPath(exe.filePath(QStringLiteral("../share/yeroup/translations")));
}

TTranslations::TTranslations(TLanguage language, const QString& folder, TFramework framework) {
    if (language != TLanguage::Source) {
        auto program =
            Load(language == TLanguage::Chinese ? QStringLiteral("yeroup_zh_CN") : QStringLiteral("yeroup_en"), folder);
        programLoaded_ = program != nullptr;
        if (program) translators_.push_back(std::move(program));
    }
    if (language == TLanguage::Chinese || (language == TLanguage::Source && framework == TFramework::ForWindows)) {
        auto chinese = Load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        frameworkLoaded_ = chinese != nullptr;
        if (chinese) translators_.push_back(std::move(chinese));
    }
}

// Each translator leaves the application as it is destroyed.
TTranslations::~TTranslations() = default;

bool LoadFrameworkTranslation() {
    auto framework = Load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (!framework) return false;
    // The application owns it from here on.
    framework.release()->setParent(QCoreApplication::instance());
    return true;
}

QString QTr(const char* context, const char* text) { return QCoreApplication::translate(context, text); }
QString QTr(const char* text) { return QTr(kProgramContext, text); }
std::string Tr(const char* text) { return QTr(text).toStdString(); }
std::string Tr(const TMessage& message) {
    return message.Empty() ? std::string() : Format(Tr(message.text).c_str(), message.args);
}

}  // namespace yeroup::app
