#pragma once
// The user's language. A desktop in Chinese gets the program's Chinese texts (those that are English at the
// source translated too), any other language English, and no language at all (the C locale) the texts exactly as
// they stand in the code. The window framework's own Chinese (the standard buttons read 确定, 取消, 中止, 重试,
// 忽略, as the messages name them) comes with the Chinese texts and with the untranslated ones.
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "app/core/Message.h"

class QTranslator;

namespace yeroup::app {

enum class TLanguage { Source, English, Chinese };

// The language of a locale name ("zh_CN.UTF-8", "en_GB", "C").
TLanguage LanguageOf(const QString& localeName);
// The language of the desktop's messages (LC_ALL, LC_MESSAGES, LANG, then LANGUAGE).
TLanguage DesktopLanguage();

// Where the program's translations are: "translations" beside the executable (the build tree), else
// "../share/yeroup/translations" from it (an installation).
QString TranslationsFolder(const QString& exeFolder);

// The translations of a language installed into the running application for as long as this lives.
class TTranslations {
public:
    // The framework's Chinese serves the windows' standard buttons; a terminal without a language gets none.
    enum class TFramework { ForWindows, ForChinese };

    TTranslations(TLanguage language, const QString& folder, TFramework framework = TFramework::ForWindows);
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // The program's own translation was wanted and found (true for the source texts, which need none).
    bool ProgramLoaded() const { return programLoaded_; }
    // The framework's Chinese was wanted and found.
    bool FrameworkLoaded() const { return frameworkLoaded_; }

private:
    std::vector<std::unique_ptr<QTranslator>> translators_;
    bool programLoaded_ = true;
    bool frameworkLoaded_ = false;
};

// Installs the framework's Simplified Chinese translation into the running application for good; false (and
// the framework's English texts stay) when it is not installed.
bool LoadFrameworkTranslation();

// A marked text of the program (app/core/Texts.h) in the user's language.
QString QTr(const char* text);
std::string Tr(const char* text);
// A message: its text translated, then what goes into it inserted.
std::string Tr(const TMessage& message);
inline std::string TrMessage(const TMessage& message) { return Tr(message); }
// A marked text of another context ("archiver", "files").
QString QTr(const char* context, const char* text);

}  // namespace yeroup::app
