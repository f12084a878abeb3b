#pragma once
// The main window: the model and firmware lists, the home page and firmware page views, the download with
// its progress panel, and the package-ready panel with the firmware upgrade.
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/download/PackageFetch.h"
#include "app/forms/AppServices.h"
#include "app/forms/SplashForm.h"
#include "app/ui/ArchiverPrompt.h"
#include "app/ui/HtmlView.h"
#include "app/ui/PacedProgressBar.h"
#include "app/ui/QtMessagePump.h"
#include "app/upgrade/PackageUpgrade.h"
#include "app/upgrade/UpgradeHistory.h"
#include "http/IdHTTP.h"
#include "net/IdAntiFreeze.h"
#include "platform/profile/IniFile.h"
#include "zip/Archiver.h"

namespace yeroup::app {

class TForm2 : public QWidget {
public:
    // The splash window serves the page fetches and the install folder; it outlives this window.
    TForm2(const TAppServices& services, TForm1& splash, QWidget* parent = nullptr);
    ~TForm2() override;

    QFrame* Panel1;
    QLabel* Label2;
    QLabel* Label3;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QPushButton* Button1;
    THtmlView* WebBrowser1;
    THtmlView* WebBrowser2;
    QFrame* Panel2;
    std::unique_ptr<http::TIdHTTP> IdHTTP1;
    std::unique_ptr<net::TIdAntiFreeze> IdAntiFreeze1;
    QPushButton* Button3;
    QLabel* Label1;
    QLabel* Label4;
    QLabel* Label5;
    TPacedProgressBar* ProgressBar1;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QLabel* Label10;
    // Below the figures: the host the download comes from now.
    QLabel* HostLabel;
    QTimer* Timer1;
    QFrame* Panel3;
    QPushButton* Button2;
    QLabel* Label11;
    QLabel* Label12;
    std::unique_ptr<zip::TZFZipArchiver> Archiver;
    QLabel* Label13;
    QTextEdit* Memo1;
    // In Label13's place while the catalogue in use is old (signed keys only): how many days since it was signed.
    QLabel* CatalogueAgeLabel;

    void DownShowHTML();
    void ShowHidP3();
    void FormCreate();
    void ComboBox1Change();
    void ComboBox2Change();
    void FormClose();
    void Button1Click();
    void Button3Click();
    void IdHTTP1WorkBegin(net::TIdComponent* sender, net::TWorkMode mode, std::int32_t countMax);
    void IdHTTP1Work(net::TIdComponent* sender, net::TWorkMode mode, std::int32_t count);
    void Timer1Timer();
    void IdHTTP1WorkEnd(net::TIdComponent* sender, net::TWorkMode mode);
    void Button2Click();

    // M and F: the catalogue names (ANSI code page) of the selected model and firmware, empty without selection.
    std::string SelectedModel() const;
    std::string SelectedFirmware() const;

    // The download counters.
    std::int32_t ExpectedSize = 0;
    std::int32_t ReceivedSize = 0;
    std::int32_t ElapsedTicks = 0;

    bool Downloading() const { return downloading_; }
    // The progress panel's captions for a download that goes on from an earlier one's part, or for a new one.
    void ShowResumedCaptions(bool resumed);
    // True while the download's size is unknown (a chunked body): no percentage, a busy bar.
    bool SizeUnknown() const { return sizeUnknown_; }

    // Opens the history of upgrades in a window of its own (Ctrl+H).
    void ShowHistory();

    // Runs when the window has closed (the start-up routine ends the program then).
    std::function<void()> OnClosed;
    // The package download's bounds: its tries in a row that bring nothing and its pauses.
    TPackageFetchLimits DownloadLimits;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildLayout();
    void BuildProgressPanel();
    void BuildPackagePanel();
    void BuildKeyboardAndNames();
    void FitDownloadButtons();
    void PlaceSpeedCaption();
    void CancelClicked();
    void ShowCatalogueAge();
    void FillModels();
    void FillFirmware();
    void RestoreIdle();
    void ShowDownloadButton();
    // The progress labels and bar follow the count at the display's pace; ShowCounts brings them up to date.
    void ShowCountsWhenDue();
    void ShowCounts();
    bool FetchPage(const std::string& m, const std::string& f);
    // The pause before a cut download is resumed, with the window live; false when it was cancelled.
    bool WaitBeforeResume(std::int32_t ms);
    // Why a file could not be written, in the user's words.
    static std::string WriteFailureReason(int error);
    // The message for how the download ended, if any.
    void TellDownloadEnd(const TPackageFetchResult& result);
    // The package file names (no folder) of every model and firmware the catalogue lists.
    std::set<std::string> ListedPackages() const;
    // With a trusted key configured: the stored package checked again before it is extracted. Why it is refused
    // (the user told), empty when it may be extracted.
    std::string StoredPackageRefusal(const std::string& m, const std::string& f);
    // The upgrade of the selected package as the history keeps it, at this moment, its outcome and reason still open.
    upgrade::THistoryEntry HistoryEntry(const std::string& packageSha256) const;
    // The message for an upgrade that did not end with the files in place.
    void TellUpgradeFailure(const upgrade::TUpgradeResult& result, const std::string& package);
    // With the files in place: the updater started when the user has connected the player.
    void StartUpdater(const upgrade::THistoryEntry& entry, const std::string& updater, const std::string& folder);
    // Into the history and the trace; a history that cannot be written is traced, the upgrade goes on.
    void RecordUpgrade(upgrade::THistoryEntry entry, upgrade::THistoryOutcome outcome, std::string reason);
    // The updater just started, recorded in the package store for later runs (a failure is traced).
    void RecordStartedUpdater(const std::string& updater);
    template <typename Handler>
    void Guarded(Handler&& handler) {
        RunHandler(services_.MessageBoxes, std::forward<Handler>(handler));
    }

    const TAppServices& services_;
    TForm1& splash_;
    TQtMessagePump pump_;
    TArchiverPrompts archiverPrompts_;
    std::unique_ptr<platform::TIniFile> selection_;
    std::unique_ptr<platform::TIniFile> catalogue_;

    bool downloading_ = false;
    bool cancelled_ = false;
    bool closing_ = false;
    bool pageFetching_ = false;
    bool pageAgain_ = false;
    bool sizeUnknown_ = false;
    // While the size is unknown: the bytes of the chunks already received, and of the chunk under way.
    std::int64_t finishedChunks_ = 0;
    std::int64_t chunkSoFar_ = 0;
    // The download under way (or the last one); bytes an earlier run of it left, which the display counts.
    std::unique_ptr<TPackageFetch> fetch_;
    std::int64_t resumed_ = 0;
    // Bytes of the package received so far, counting what an earlier run left; and when the labels last showed it.
    std::int64_t received_ = 0;
    QElapsedTimer countsShown_;
    QTimer* countsDue_ = nullptr;
    QElapsedTimer downloadStarted_;
};

}  // namespace yeroup::app
