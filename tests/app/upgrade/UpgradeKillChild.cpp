// Runs an upgrade (or the start-up recovery) and kills itself with SIGKILL at the given step, as a power cut or
// kill -9 would stop it there. Steps are the archiver's finished entries and every step of the transaction.
// Usage: upgrade_kill_child upgrade <store> <package> <install> <step>
//        upgrade_kill_child recover <store> <install> <step>
// Without being killed it prints the number of steps it went through, then the outcome (of the upgrade, with the
// system's error number, or of the recovery).
#include <csignal>
#include <cstdio>
#include <string>

#include "app/upgrade/PackageUpgrade.h"
#include "app/upgrade/StartupRecovery.h"

int main(int argc, char** argv) {
    using namespace yeroup;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "upgrade" && argc == 6) || (mode == "recover" && argc == 5))) return 2;
    const long killAt = std::stol(argv[argc - 1]);
    long steps = 0;
    const auto step = [&] {
        if (++steps == killAt) std::raise(SIGKILL);
    };
    if (mode == "recover") {
        const auto recovery = app::upgrade::RecoverUpgrade(argv[2], argv[3], step);
        std::printf("%ld %d\n", steps, static_cast<int>(recovery.outcome));
        return 0;
    }
    zip::TZFZipArchiver archiver;
    archiver.Name = "Archiver";
    archiver.OnFileProgress = [&](zip::TZFBaseArchiver*, const std::string&, double, zip::TZFProcessOperation,
                                  zip::TZFProgressPhase phase, bool&) {
        if (phase == zip::ppEnd) step();
    };
    app::upgrade::TPackageUpgrade upgrade(argv[2]);
    upgrade.OnStep = step;
    const auto result = upgrade.Run(archiver, argv[3], argv[4]);
    std::printf("%ld %d %d\n", steps, static_cast<int>(result.outcome), result.error);
    return result.outcome == app::upgrade::TUpgradeOutcome::Done ? 0 : 1;
}
