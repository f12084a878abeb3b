#include "app/forms/SplashForm.h"

#include <QPixmap>
#include <filesystem>

#include "app/core/CatalogueCheck.h"
#include "app/core/RegisteredFolder.h"
#include "app/core/StartFailure.h"
#include "app/core/Texts.h"
#include "app/core/VersionText.h"
#include "app/download/FetchTrace.h"
#include "app/download/ProxyFailure.h"
#include "app/download/SignedFetch.h"
#include "app/download/UpdateClient.h"
#include "app/ui/Contrast.h"
#include "app/ui/Fonts.h"
#include "app/ui/FormLook.h"
#include "app/ui/SplashPicture.h"
#include "app/ui/Translation.h"
#include "net/tls/IdSSLExceptions.h"
#include "platform/files/AtomicWrite.h"
#include "platform/registry/Registry.h"
#include "platform/streams/Stream.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

TForm1::TForm1(const TAppServices& services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      IdHTTP1(MakeFetchClient(services.Files.SecureHost(), services.ExtraCAFile)),
      services_(services) {
    setWindowTitle(QTr(texts::kSplashCaption));
    ApplyFormLook(*this, 504, 275);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 504, 275);
    Image1->setPixmap(QPixmap::fromImage(MakeSplashPicture()));

    Label2 = new QLabel(QTr(texts::kVersionPrefix) + QStringLiteral("0.0"), this);
    Label2->setGeometry(424, 8, 65, 13);
    Label2->setFont(SimSun12());
    Label2->setLayoutDirection(Qt::LeftToRight);
    Label2->setAutoFillBackground(true);
    QPalette label = Label2->palette();
    label.setColor(QPalette::Window, Qt::white);
    label.setColor(QPalette::WindowText, ReadableGrey(Qt::white));
    Label2->setPalette(label);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler(services_.MessageBoxes, [this] { Timer1Timer(); }); });
    Timer1->start();

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() { Label2->setText(QTr(texts::kVersionPrefix) + QString::fromStdString(VersionText())); }

void TForm1::Timer1Timer() {
    // The start-up routine waits exactly as long as the timer stays enabled.
    Timer1->stop();
    FormAc();
}

bool TForm1::FetchToStream(const std::string& url, platform::TMemoryStream& stream) {
    hostNotTrusted_ = false;
    if (fetching_) {
        services_.Trace.Line("error", platform::AnsiToUtf8(url) + " not fetched: another fetch is under way");
        return false;
    }
    fetching_ = true;
    proxyFailure_ = {};
    const TFetchTrace trace(services_.Trace, *IdHTTP1, url, stream);
    try {
        IdHTTP1->Get(url, stream);
    } catch (const std::exception& e) {
        fetching_ = false;
        hostNotTrusted_ = dynamic_cast<const net::EIdTLSCertificateError*>(&e) != nullptr;
        trace.Failed(e.what());
        proxyFailure_ = ProxyFailureText(*IdHTTP1, e);
        return false;
    }
    fetching_ = false;
    // A body cut short by the peer comes back without an error; it must not replace a good file.
    const http::TIdHTTPResponse& response = IdHTTP1->Response();
    if (response.LengthGiven() && response.ContentLength() > 0 && stream.Size() < response.ContentLength()) {
        trace.Failed("the body ended before its announced length");
        return false;
    }
    trace.Taken();
    return true;
}

bool TForm1::FetchToFile(const std::string& url, const std::string& path,
                         const std::function<bool(std::string_view body)>& accept) {
    platform::TMemoryStream stream;
    if (!FetchToStream(url, stream)) return false;
    if (accept && !accept(StreamBytes(stream))) {
        services_.Trace.Line(
            "error", platform::AnsiToUtf8(url) + " not taken: its body is not what it should be; " + path + " stays");
        return false;
    }
    platform::ReplaceFileAtomically(path, stream.Memory(), static_cast<std::size_t>(stream.Size()));
    return true;
}

void TForm1::FormAc() {
    platform::TRegistry registry(services_.RegistryFile);
    if (!registry.KeyExists(texts::kPlayerKey)) {
        const int answer = services_.MessageBoxes.MessageBox(this, Tr(texts::kInstallPlayerFirst),
                                                             Tr(texts::kHintCaption), MB_OKCANCEL | MB_ICONWARNING);
        if (answer == IDOK) {
            const auto started = services_.Processes.WinExec(texts::kSetupProgram, 0);
            TraceStart(services_.Trace, texts::kSetupProgram, "", "", started);
            if (started != platform::TStartResult::Started)
                services_.MessageBoxes.MessageBox(
                    this, Tr(StartFailureText(started, texts::kSetupNotStarted, services_.Files.ExeFolder())),
                    Tr(texts::kHintCaption), MB_OK | MB_ICONERROR);
        }
        terminate_ = true;
        return;
    }
    InstallFolder = RegisteredInstallFolder(services_.RegistryFile);

    const TAppFiles& files = services_.Files;
    const TCatalogueFetch fetched = FetchCatalogue();
    if (fetched == TCatalogueFetch::Taken) return;
    std::error_code error;
    const bool kept = std::filesystem::exists(files.CatalogueFile(), error);
    services_.Trace.Line("error", kept ? "the catalogue was not refreshed; the stored copy is used"
                                       : "the catalogue was not refreshed and none is stored; the program ends");
    // A host that answered but cannot be trusted is no network problem: the message says what it is.
    const char* text = kept ? texts::kCatalogueKept : texts::kNoCatalogue;
    if (fetched == TCatalogueFetch::HostNotTrusted)
        text = kept ? texts::kHostNotTrustedCatalogueKept : texts::kHostNotTrustedNoCatalogue;
    else if (fetched == TCatalogueFetch::NotVerified)
        text = kept ? texts::kCatalogueNotVerifiedKept : texts::kCatalogueNotVerifiedNone;
    // When the proxy was the reason, the message says so on a line of its own after the usual text.
    const std::string proxy = proxyFailure_.Empty() ? std::string() : "\r" + Tr(proxyFailure_);
    const std::string ahead = signedAhead_.Empty() ? std::string() : "\r" + Tr(signedAhead_);
    if (kept) {
        services_.MessageBoxes.MessageBox(this, Tr(text) + ahead + proxy, Tr(texts::kCatalogueKeptCaption),
                                          MB_OK | MB_ICONWARNING);
    } else {
        services_.MessageBoxes.MessageBox(this, Tr(text) + ahead + proxy, Tr(texts::kNoCatalogueCaption),
                                          MB_OK | MB_ICONERROR);
        terminate_ = true;
    }
}

}  // namespace yeroup::app
