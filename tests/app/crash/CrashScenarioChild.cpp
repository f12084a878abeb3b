// Runs one scenario of the program's file work on a prepared folder, for the recorder loaded into it to log.
// Usage: crash_scenario_child <scenario> <root>
//   upgrade    the package <root>/files/FirmwareBack/A_1.0.zip upgrades <root>/player
//   recover    the start-up recovery of whatever <root> holds
//   catalogue  the catalogue copy and its signature saved as the splash window saves them
//   selection  user.ini saved as the main window saves the selection on closing
//   download   a package download the host cuts half-way (the partial and its resume record written), then
//              resumed to its end and made the package by its final rename
// Prints the upgrade's or the recovery's outcome.
#include <cstdio>
#include <string>

#include "app/core/Texts.h"
#include "app/download/PackageFetch.h"
#include "app/download/UpdateClient.h"
#include "app/upgrade/PackageUpgrade.h"
#include "app/upgrade/StartupRecovery.h"
#include "platform/files/AtomicWrite.h"
#include "platform/profile/IniFile.h"
#include "tests/app/crash/CrashLayout.h"
#include "tests/http/support/ScriptedServer.h"

int main(int argc, char** argv) {
    using namespace yeroup;
    if (argc != 3) return 2;
    const std::string scenario = argv[1];
    const test::crash::TCrashLayout layout(argv[2]);
    if (scenario == "upgrade") {
        zip::TZFZipArchiver archiver;
        archiver.Name = "Archiver";
        app::upgrade::TPackageUpgrade upgrade(layout.store);
        const auto result = upgrade.Run(archiver, layout.package.string(), layout.install.string());
        std::printf("%d %d\n", static_cast<int>(result.outcome), result.error);
        return result.outcome == app::upgrade::TUpgradeOutcome::Done ? 0 : 1;
    }
    if (scenario == "recover") {
        const auto recovery = app::upgrade::RecoverAtStartup(layout.files, layout.store, layout.install);
        std::printf("%d\n", static_cast<int>(recovery.outcome));
        return 0;
    }
    if (scenario == "catalogue") {
        const std::string catalogue = test::crash::NewCatalogue(), signature = test::crash::NewSignature();
        platform::ReplaceFilesTogether(layout.catalogue, catalogue, layout.signature, signature);
        return 0;
    }
    if (scenario == "selection") {
        platform::TIniFile selection(layout.selection);
        selection.WriteStrings(app::texts::kSelectionSection,
                               {{app::texts::kModelKey, std::to_string(test::crash::kNewModel)},
                                {app::texts::kFirmwareKey, std::to_string(test::crash::kNewFirmware)}});
        return 0;
    }
    if (scenario == "download") {
        const std::string body = test::crash::PackageBody(), size = std::to_string(body.size());
        const std::size_t half = body.size() / 2;
        test::ScriptedServer host;
        host.AddConnection(test::ConnectionScript()
                               .ReadRequest()
                               .Send(test::HttpResponse("200 OK", {test::crash::kPackageTag, "Content-Length: " + size},
                                                        body.substr(0, half), /*withLength=*/false))
                               .Close());
        const std::string range = std::to_string(half) + "-" + std::to_string(body.size() - 1) + "/" + size;
        host.AddConnection(test::ConnectionScript().Respond(test::HttpResponse(
            "206 Partial Content", {test::crash::kPackageTag, "Content-Range: bytes " + range}, body.substr(half))));
        // The program's own package fetch: it resumes the cut by itself and renames the whole body into place.
        const auto client = app::MakeUpdateClient();
        app::TPackageFetch fetch(*client, host.Url("/YERO-T10_V1.05.zip"), layout.download.string(), {},
                                 "YERO-T10_V1.05.zip", app::TTrace{});
        fetch.Wait = [](std::int32_t) { return true; };
        fetch.Run();
        return std::filesystem::exists(layout.download) ? 0 : 1;
    }
    return 2;
}
