#include "app/core/UnsettledUpgrade.h"

#include "app/core/Texts.h"

namespace yeroup::app {

std::string UnsettledUpgradeText(const char* what, const std::string& backup,
                                 const std::function<std::string(const TMessage&)>& translate) {
    const TMessage where =
        backup.empty() ? TMessage{texts::kUpgradeStateNoBackup, {}} : TMessage{texts::kUpgradeStateBackupAt, {backup}};
    return translate({what, {}}) + translate(where) + translate({texts::kUpgradeStateHowTo, {}});
}

}  // namespace yeroup::app
