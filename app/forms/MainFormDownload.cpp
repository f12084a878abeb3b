// The package download with its progress display and cancel.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <limits>
#include <set>
#include <stdexcept>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include "app/core/Texts.h"
#include "app/download/MirrorHosts.h"
#include "app/download/PackageFetch.h"
#include "app/download/ProxyFailure.h"
#include "app/forms/MainForm.h"
#include "app/trust/KeyRotation.h"
#include "app/ui/Translation.h"
#include "http/IdHTTPFraming.h"
#include "net/tls/IdSSLExceptions.h"
#include "platform/files/FileErrors.h"
#include "platform/scope/ScopeExit.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

// The counts change with every read, thousands of times a second at full speed; drawn (and told to a screen
// reader) that often they would slow the download and every answer of the window. Twenty times a second reads
// as smooth.
constexpr qint64 kCountsShownEveryMs = 50;

QString Kilobytes(std::int64_t bytes, const char* unit = texts::kKilobytes) {
    return QString::number(bytes / 1024) + QString::fromUtf8(unit);
}

void SetAutoText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// The message for a failed download: an https host whose certificate was refused is no network problem.
const char* DownloadFailureText(const std::exception& e) {
    return dynamic_cast<const net::EIdTLSCertificateError*>(&e) ? texts::kHostNotTrustedDownload
                                                                : texts::kDownloadFailed;
}

std::int32_t Clamped(std::int64_t bytes) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(bytes, std::numeric_limits<std::int32_t>::max()));
}

// A chunked body announces no size; each of its chunks is a work span of its own. The client's own framing rule
// says which body is chunked.
bool BodyIsChunked(http::TIdHTTPResponse& response) {
    try {
        return http::ResponseFraming(response.HeaderLines, INT64_MAX).kind == http::TIdBodyFraming::bfChunked;
    } catch (const std::exception&) {
        return false;  // a framing the client refuses ends the transfer anyway
    }
}

}  // namespace

void TForm2::ShowDownloadButton() {
    // Focus on the cancel button goes back to the download button, not to whatever follows a hidden button.
    const bool focused = focusWidget() == Button3;
    Button3->hide();
    Button1->show();
    if (focused) Button1->setFocus();
}

void TForm2::RestoreIdle() {
    ShowDownloadButton();
    countsDue_->stop();
    ProgressBar1->setRange(0, 100);
    ProgressBar1->Restart();
    Panel2->hide();
    Timer1->stop();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
}

std::set<std::string> TForm2::ListedPackages() const {
    std::set<std::string> names;
    std::vector<std::string> models;
    catalogue_->ReadSections(models);
    for (const std::string& m : models) {
        std::vector<std::string> firmware;
        catalogue_->ReadSection(m, firmware);
        for (const std::string& f : firmware)
            names.insert(std::filesystem::path(services_.Files.PackageFile(m, f)).filename().string());
    }
    return names;
}

void TForm2::Button1Click() {
    // The download button shows again once a cancel has closed the connection, before Get has returned.
    if (downloading_) return;
    ComboBox1->setEnabled(false);
    ComboBox2->setEnabled(false);
    Button1->hide();
    Button3->show();
    Button3->setFocus();
    Panel3->hide();
    Panel2->show();
    IdAntiFreeze1->OnlyWhenIdle = false;

    const std::string m = SelectedModel(), f = SelectedFirmware();
    downloading_ = true;
    cancelled_ = false;
    sizeUnknown_ = false;
    resumed_ = 0;
    finishedChunks_ = chunkSoFar_ = 0;
    downloadStarted_.start();
    // Once this download has ended, the partials stay within their bounds; a partial it leaves is the newest.
    const platform::ScopeExit prune(
        [this] { PrunePartialDownloads(services_.Files.PackageStore(), ListedPackages(), std::time(nullptr)); });
    const trust::TTrustedKeys keys = trust::KeysInForce(services_.TrustedKeys, services_.Files.KeyChangesFile());
    const std::vector<std::string> mirrors = KeptMirrors(services_.Files, keys, services_.UnixTime(), services_.Trace);
    fetch_ = std::make_unique<TPackageFetch>(*IdHTTP1, PackageUrls(services_.Files, mirrors, m, f),
                                             services_.Files.PackageFile(m, f), keys, TAppFiles::PackageName(m, f),
                                             services_.Trace, DownloadLimits);
    HostLabel->clear();
    fetch_->OnHost = [this](const std::string& host) {
        SetAutoText(HostLabel, QString::fromStdString(Tr(TMessage{texts::kServingHost, {host}})));
    };
    fetch_->Cancelled = [this] { return cancelled_; };
    fetch_->Wait = [this](std::int32_t ms) { return WaitBeforeResume(ms); };
    fetch_->RunLongStep = TQtMessagePump::RunBeside;
    fetch_->OnResume = [this](int attempt, const std::exception*) {
        SetAutoText(Label6,
                    QString::fromStdString(Tr(TMessage{texts::kConnectionLostResuming, {std::to_string(attempt)}})));
    };
    const TPackageFetchResult result = fetch_->Run();
    downloading_ = false;
    // Whatever happens to the package file, the controls go back to the idle state: an empty body raises no
    // work events, and a chunked body ends one work span per chunk.
    const platform::ScopeExit idle([this] {
        RestoreIdle();
        ElapsedTicks = 0;
    });
    const bool cancelFocused = focusWidget() == Button3;
    RestoreIdle();
    ShowHidP3();
    TellDownloadEnd(result);
    // A download run from the keyboard goes on at the upgrade button.
    if (result.end == TFetchEnd::Stored && cancelFocused && !Panel3->isHidden()) Button2->setFocus();
}

bool TForm2::WaitBeforeResume(std::int32_t ms) {
    QElapsedTimer waited;
    waited.start();
    // The window stays live during the pause, so that the cancel button ends it.
    while (!cancelled_ && waited.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(static_cast<unsigned long>(std::clamp<qint64>(ms - waited.elapsed(), 0, 10)));
    }
    return !cancelled_;
}

void TForm2::TellDownloadEnd(const TPackageFetchResult& result) {
    if (closing_) return;
    const auto box = [this](const std::string& text) {
        services_.MessageBoxes.MessageBox(this, text, Tr(texts::kDownloadFailedCaption), MB_OK | MB_ICONWARNING);
    };
    switch (result.end) {
    case TFetchEnd::Stored:
    case TFetchEnd::Cancelled:
    case TFetchEnd::NotWhole: return;
    case TFetchEnd::Cut:
        // Said once the resumes are spent: pressing Download again goes on from where it stopped.
        box(Tr(result.partialKept ? texts::kDownloadCut : texts::kDownloadFailed));
        return;
    case TFetchEnd::SignatureMissing:
        box(Tr(result.partialKept ? texts::kSignatureNotFetched : texts::kPackageNotVerified));
        return;
    case TFetchEnd::SignatureRefused:
        services_.Trace.Line(
            "error", "the package's signature is refused: " + result.signatureWhy + "; the package is not stored");
        box(Tr(texts::kPackageNotVerified));
        return;
    case TFetchEnd::Failed: break;
    }
    try {
        std::rethrow_exception(result.error);
    } catch (const platform::EFileCreateError& e) {
        // The package store cannot be written (a full disk): the box names the package, not the file it was being
        // written to.
        box(Tr({texts::kPackageNotSaved,
                {platform::AnsiToUtf8(SelectedModel()), platform::AnsiToUtf8(SelectedFirmware()),
                 WriteFailureReason(e.Error())}}));
    } catch (const std::exception& e) {
        const TMessage proxy = ProxyFailureText(*IdHTTP1, e);
        box(proxy.Empty() ? Tr(DownloadFailureText(e)) : Tr(proxy));
    }
}

void TForm2::ShowResumedCaptions(bool resumed) {
    Label6->setText(QTr(resumed ? texts::kResuming : texts::kDownloading));
    Label9->setText(QTr(resumed ? texts::kSpeedThisRun : texts::kAverageSpeed));
    PlaceSpeedCaption();
}

void TForm2::IdHTTP1WorkBegin(net::TIdComponent*, net::TWorkMode, std::int32_t countMax) {
    Panel2->show();
    Panel3->hide();
    // The first count of a span shows at once.
    countsShown_.invalidate();
    // What an earlier, cut download left counts as received: the display shows the whole package.
    const std::int64_t resumed = downloading_ && fetch_ ? fetch_->Download().Offset() : 0;
    ShowResumedCaptions(resumed > 0);
    if (BodyIsChunked(IdHTTP1->Response())) {
        // The display counts across the chunks from the first one on: bytes so far and speed, a busy bar.
        ExpectedSize = countMax;
        if (sizeUnknown_) return;
        sizeUnknown_ = true;
        resumed_ = resumed;
        ElapsedTicks = 0;
        SetAutoText(Label1, QTr(texts::kUnknownSize));
        SetAutoText(Label4, QString());
        ProgressBar1->setRange(0, 0);
        Timer1->start();
        return;
    }
    resumed_ = resumed;
    ExpectedSize = Clamped(resumed + countMax);
    SetAutoText(Label1, Kilobytes(ExpectedSize));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->Restart();
    Timer1->start();
}

void TForm2::IdHTTP1Work(net::TIdComponent*, net::TWorkMode, std::int32_t count) {
    if (sizeUnknown_) {
        chunkSoFar_ = count;
        received_ = resumed_ + finishedChunks_ + count;
    } else {
        // Without an announced size no percentage can be formed; the error ends the transfer.
        if (ExpectedSize == resumed_) throw std::domain_error("Division by zero");
        received_ = resumed_ + count;
    }
    ReceivedSize = Clamped(received_);
    ShowCountsWhenDue();
}

void TForm2::ShowCountsWhenDue() {
    if (!countsShown_.isValid() || countsShown_.elapsed() >= kCountsShownEveryMs)
        ShowCounts();
    else if (!countsDue_->isActive())
        countsDue_->start(static_cast<int>(kCountsShownEveryMs - countsShown_.elapsed()));
}

void TForm2::ShowCounts() {
    countsDue_->stop();
    countsShown_.start();
    SetAutoText(Label5, Kilobytes(received_));
    if (sizeUnknown_ || ExpectedSize == resumed_) return;
    // Widened so that packages beyond 21 MB keep their percentage.
    const std::int64_t percent = received_ * 100 / ExpectedSize;
    SetAutoText(Label4, QString::number(percent) + QLatin1Char('%'));
    ProgressBar1->ShowPercent(static_cast<int>(percent));
}

void TForm2::Timer1Timer() {
    ++ElapsedTicks;
    // The speed is this run's: the part an earlier download left did not come now.
    SetAutoText(Label10, Kilobytes((ReceivedSize - resumed_) / ElapsedTicks, texts::kKilobytesPerSecond));
}

void TForm2::IdHTTP1WorkEnd(net::TIdComponent*, net::TWorkMode) {
    if (sizeUnknown_ && downloading_) {
        // One chunk has ended; the download goes on with its timer and busy bar.
        finishedChunks_ += chunkSoFar_;
        chunkSoFar_ = 0;
        return;
    }
    // The last count shows (a whole package's 100%, the end a screen reader hears) before the bar is reset.
    if (countsDue_->isActive()) ShowCounts();
    Timer1->stop();
    ElapsedTicks = 0;
    ProgressBar1->Restart();
    // During a download the rest of the idle look waits for Get to return, so that a chunked body does not
    // show the idle controls between its chunks.
    if (downloading_) return;
    ShowDownloadButton();
    Panel2->hide();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
}

void TForm2::Button3Click() {
    cancelled_ = true;
    ShowDownloadButton();
    IdHTTP1->Disconnect();
    countsDue_->stop();
    ProgressBar1->Restart();
    ElapsedTicks = 0;
    Panel3->hide();
}

}  // namespace yeroup::app
