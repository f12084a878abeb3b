// The package download with its progress display and cancel.
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <limits>
#include <set>
#include <stdexcept>
#include <vector>

#include "app/core/Texts.h"
#include "app/download/FetchTrace.h"
#include "app/download/PartialDownload.h"
#include "app/download/ProxyFailure.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "net/tls/IdSSLExceptions.h"
#include "platform/files/AtomicWrite.h"

namespace yeroup::app {

namespace {

QString Kilobytes(std::int64_t bytes) { return QString::number(bytes / 1024) + QString::fromUtf8(texts::kKilobytes); }

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

// A chunked body announces no size; each of its chunks is a work span of its own.
bool BodyIsChunked(http::TIdHTTPResponse& response) {
    return response.ContentLength() <= 0 &&
           response.HeaderLines.HeaderValue("Transfer-Encoding").find("chunked") != std::string::npos;
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
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
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
    workBegan_ = false;
    sizeUnknown_ = false;
    resumed_ = 0;
    finishedChunks_ = chunkSoFar_ = 0;
    downloadStarted_.start();
    const std::string url = services_.Files.PackageUrl(m, f);
    const std::string file = services_.Files.PackageFile(m, f);
    download_ = std::make_unique<TPartialDownload>(file, url);
    // Once this download has ended, the partials stay within their bounds; a partial it leaves is the newest.
    struct Prune {
        TForm2* form;
        ~Prune() {
            PrunePartialDownloads(form->services_.Files.PackageStore(), form->ListedPackages(), std::time(nullptr));
        }
    } prune{this};
    TPartialDownload& download = *download_;
    // Once promoted, the body's bytes are the package file's.
    std::int64_t saved = -1;
    const TFetchTrace trace(services_.Trace, *IdHTTP1, url,
                            [&download, &saved] { return saved >= 0 ? saved : download.Size(); });
    const auto backToIdle = [&] {
        downloading_ = false;
        RestoreIdle();
        ElapsedTicks = 0;
    };
    try {
        download.Get(*IdHTTP1);
    } catch (const platform::EFileCreateError& e) {
        // The package store cannot be written: the default error box names the file and the reason.
        trace.Failed(e.what());
        backToIdle();
        ShowHidP3();
        throw;
    } catch (const std::exception& e) {
        trace.Failed(cancelled_ ? "cancelled" : e.what());
        backToIdle();
        const TMessage proxy = cancelled_ ? TMessage() : ProxyFailureText(*IdHTTP1, e);
        if (!closing_)
            services_.MessageBoxes.MessageBox(this, proxy.Empty() ? Tr(DownloadFailureText(e)) : Tr(proxy),
                                              Tr(texts::kDownloadFailedCaption), MB_OK | MB_ICONWARNING);
        ShowHidP3();
        return;
    }
    // Only a whole package can replace the stored one: the announced count (or, for a chunked body, its final
    // chunk) must have arrived, without a cancel, and an empty body is never a package. A cut leaves the partial to
    // be resumed. Its signature is fetched while the download still counts as running.
    const bool whole = workBegan_ && !cancelled_ && download.Whole();
    if (!whole)
        trace.Failed(cancelled_ ? "cancelled; the partial package is kept to be resumed"
                                : "not a whole package; the stored one stays");
    std::string signature;
    const bool verified = whole && DownloadedPackageVerified(m, f, download.PartialFile(), signature);
    downloading_ = false;
    // Whatever happens to the package file, the controls go back to the idle state: an empty body raises no
    // work events, and a chunked body ends one work span per chunk.
    struct Idle {
        TForm2* form;
        ~Idle() { form->RestoreIdle(); }
    } idle{this};
    // A body refused by its signature is not kept for a resume either: its rest would not mend it.
    if (whole && !verified) {
        trace.Failed("its signature is refused; not stored");
        download.Discard();
    }
    if (verified) SavePackage(download, file, signature, trace, saved);
    Timer1->stop();
    ElapsedTicks = 0;  // a chunked body leaves its ticks running across the chunks
    Panel3->show();
    ComboBox1->setEnabled(true);
    ComboBox2->setEnabled(true);
    ShowHidP3();
    // A download run from the keyboard goes on at the upgrade button.
    const bool cancelFocused = focusWidget() == Button3;
    RestoreIdle();
    if (verified && cancelFocused && !Panel3->isHidden()) Button2->setFocus();
}

void TForm2::SavePackage(TPartialDownload& download, const std::string& file, const std::string& signature,
                         const TFetchTrace& trace, std::int64_t& saved) {
    // The line says ok only once the package is saved: a full disk is the download's failure too.
    try {
        const std::int64_t size = download.Size();
        download.Promote();
        saved = size;
        if (!signature.empty())
            platform::ReplaceFileAtomically(TAppFiles::SignatureOf(file), signature.data(), signature.size());
    } catch (const std::exception& e) {
        trace.Failed(std::string("not saved: ") + e.what());
        throw;
    }
    trace.Taken();
}

void TForm2::IdHTTP1WorkBegin(net::TIdComponent*, net::TWorkMode, std::int32_t countMax) {
    workBegan_ = true;
    Panel2->show();
    Panel3->hide();
    // What an earlier, cut download left counts as received: the display shows the whole package.
    const std::int64_t resumed = downloading_ && download_ ? download_->Offset() : 0;
    Label6->setText(QTr(resumed > 0 ? texts::kResuming : texts::kDownloading));
    Label9->setText(QTr(resumed > 0 ? texts::kSpeedThisRun : texts::kAverageSpeed));
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
    ProgressBar1->setValue(0);
    Timer1->start();
}

void TForm2::IdHTTP1Work(net::TIdComponent*, net::TWorkMode, std::int32_t count) {
    if (sizeUnknown_) {
        chunkSoFar_ = count;
        const std::int64_t total = resumed_ + finishedChunks_ + count;
        SetAutoText(Label5, Kilobytes(total));
        ReceivedSize = Clamped(total);
        return;
    }
    // Without an announced size no percentage can be formed; the error ends the transfer.
    if (ExpectedSize == resumed_) throw std::domain_error("Division by zero");
    const std::int64_t received = resumed_ + count;
    // Widened so that packages beyond 21 MB keep their percentage.
    const std::int64_t percent = received * 100 / ExpectedSize;
    SetAutoText(Label4, QString::number(percent) + QLatin1Char('%'));
    ProgressBar1->setValue(static_cast<int>(percent));
    SetAutoText(Label5, Kilobytes(received));
    ReceivedSize = Clamped(received);
}

void TForm2::Timer1Timer() {
    ++ElapsedTicks;
    // The speed is this run's: the part an earlier download left did not come now.
    SetAutoText(Label10, Kilobytes((ReceivedSize - resumed_) / ElapsedTicks));
}

void TForm2::IdHTTP1WorkEnd(net::TIdComponent*, net::TWorkMode) {
    if (sizeUnknown_ && downloading_) {
        // One chunk has ended; the download goes on with its timer and busy bar.
        finishedChunks_ += chunkSoFar_;
        chunkSoFar_ = 0;
        return;
    }
    ProgressBar1->setValue(100);
    Timer1->stop();
    ElapsedTicks = 0;
    ProgressBar1->setValue(0);
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
    ProgressBar1->setValue(0);
    ElapsedTicks = 0;
    Panel3->hide();
}

}  // namespace yeroup::app
