#include "app/core/UnsettledUpgrade.h"

#include "app/core/Texts.h"

namespace yeroup::app {

std::string UnsettledUpgradeText(const char* what, const std::string& backup) {
    const std::string where =
        backup.empty() ? std::string(texts::kUpgradeStateNoBackup) : texts::kUpgradeStateBackupAt + backup;
    return what + where + texts::kUpgradeStateHowTo;
}

}  // namespace yeroup::app
