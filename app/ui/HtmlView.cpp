#include "app/ui/HtmlView.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QStringDecoder>

#include "app/core/DesktopProxy.h"
#include "app/core/PageCharset.h"
#include "app/core/Texts.h"
#include "app/ui/Accessibility.h"
#include "app/ui/Translation.h"
#include "http/IdProxyEnvironment.h"
#include "net/tls/TlsContext.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

// The property of a reply the view ended itself, saying why.
constexpr const char* kRefusal = "yeroupRefusal";

}  // namespace

QString DecodeHtml(const QByteArray& bytes, const QString& contentType) {
    const std::string_view page(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    const std::string label = PageCharset(page, contentType.toStdString());
    if (!label.empty()) {
        QStringDecoder decoder(label.c_str());
        if (decoder.isValid()) return decoder.decode(bytes);
    }
    return QString::fromStdString(platform::AnsiToUtf8(page));
}

namespace {

// The proxy of each request (and of each redirect) by the same rule as the update client's: the environment's
// http_proxy, https_proxy and no_proxy, else the desktop's settings.
class TEnvironmentProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        try {
            const auto proxy =
                environment_.ProxyFor(query.protocolTag().toStdString(), query.peerHostName().toStdString(),
                                      query.url().toString().toStdString());
            if (!proxy) return {QNetworkProxy(QNetworkProxy::NoProxy)};
            return {QNetworkProxy(QNetworkProxy::HttpProxy, QString::fromStdString(proxy->Host),
                                  static_cast<quint16>(proxy->Port), QString::fromStdString(proxy->Username),
                                  QString::fromStdString(proxy->Password))};
        } catch (const http::EIdProxySettingError&) {
            // A setting that cannot be used fails the page rather than going around the proxy: a name under
            // .invalid is never found.
            return {QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("unusable-proxy-setting.invalid"), 1)};
        }
    }

private:
    const http::TIdProxyEnvironment environment_ = ProxyEnvironment();
};

}  // namespace

THtmlView::THtmlView(QWidget* parent)
    : QTextBrowser(parent),
      network_(new QNetworkAccessManager(this)),
      tls_(QSslConfiguration::defaultConfiguration()),
      busy_(new QWidget(this)) {
    InstallAccessibleInterfaces();
    setOpenLinks(false);
    network_->setProxyFactory(new TEnvironmentProxyFactory);
    connect(this, &QTextBrowser::anchorClicked, this, &THtmlView::FollowLink);
    busy_->setCursor(Qt::BusyCursor);
    busy_->hide();
}

THtmlView::~THtmlView() {
    if (pending_) pending_->abort();
}

void THtmlView::TrustExtraCAFile(const std::string& caFile) {
    if (!caFile.empty()) tls_.addCaCertificates(QString::fromStdString(caFile));
}

void THtmlView::Navigate(const std::string& target) {
    location_ = target;
    const QString text = QString::fromUtf8(target);
    const QUrl url(text);
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
        NavigateUrl(url);
        return;
    }
    if (pending_) pending_->abort();
    const QString path = url.scheme() == QLatin1String("file") ? url.toLocalFile() : text;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        ShowErrorPage(QTr(texts::kPageFileMissing).arg(path.toHtmlEscaped()));
        Finish(false);
        return;
    }
    ShowHtml(file.readAll(), QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), {});
    Finish(true);
}

void THtmlView::NavigateUrl(const QUrl& url) {
    if (pending_) pending_->abort();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setSslConfiguration(tls_);
    QNetworkReply* reply = network_->get(request);
    pending_ = reply;
    // Qt lets a wildcard stand for part of a label ("f*.example.test"); browsers and the update client do not.
    connect(reply, &QNetworkReply::encrypted, this, [reply] {
        const QByteArray der = reply->sslConfiguration().peerCertificate().toDer();
        const QString host = reply->url().host(QUrl::FullyEncoded);
        if (net::CertificateNamesHost(der.toStdString(), host.toStdString())) return;
        reply->setProperty(kRefusal, QStringLiteral("the certificate is not valid for the host name %1").arg(host));
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QByteArray body = reply->readAll();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        const bool abandoned = reply != pending_;
        const bool failed = reply->error() != QNetworkReply::NoError;
        const QVariant refusal = reply->property(kRefusal);
        trace_.Fetch(reply->url().toString().toStdString(), status.isValid() ? status.toInt() : -1,
                     announced.isValid() ? announced.toLongLong() : -1, body.size(),
                     abandoned           ? "abandoned for a later navigation"
                     : !failed           ? std::string()
                     : refusal.isValid() ? refusal.toString().toStdString()
                                         : reply->errorString().toStdString());
        if (abandoned) return;
        pending_ = nullptr;
        if (failed) {
            ShowErrorPage(QTr(texts::kPageUnreachable).arg(reply->url().toString().toHtmlEscaped()));
            Finish(false);
            return;
        }
        ShowHtml(body, reply->url(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
        Finish(true);
    });
}

void THtmlView::ShowHtml(const QByteArray& bytes, const QUrl& base, const QString& contentType) {
    base_ = base;
    document()->setBaseUrl(base);
    setHtml(DecodeHtml(bytes, contentType));
}

void THtmlView::ShowNote(const QString& text) {
    base_ = QUrl();
    showsPage_ = false;
    setHtml(QStringLiteral("<html><body><p>%1</p></body></html>").arg(text.toHtmlEscaped()));
}

void THtmlView::SetBusy(bool busy) {
    busy_->setGeometry(rect());
    busy_->raise();
    busy_->setVisible(busy);
}

bool THtmlView::Busy() const { return !busy_->isHidden(); }

void THtmlView::resizeEvent(QResizeEvent* event) {
    QTextBrowser::resizeEvent(event);
    busy_->setGeometry(rect());
}

void THtmlView::ShowErrorPage(const QString& what) {
    base_ = QUrl();
    setHtml(QStringLiteral("<html><body><h3>%1</h3><p>%2</p></body></html>").arg(QTr(texts::kPageNotShown), what));
}

void THtmlView::Finish(bool page) {
    showsPage_ = page;
    ++loadCount_;
    emit Loaded();
}

void THtmlView::FollowLink(const QUrl& link) {
    const QUrl target = base_.resolved(link);
    Navigate(target.isLocalFile() ? target.toLocalFile().toStdString() : target.toString().toStdString());
}

QVariant THtmlView::loadResource(int type, const QUrl& name) {
    // Pictures of local pages come from beside the page; those of pages from the network are not fetched.
    const QUrl url = base_.resolved(name);
    if (url.isLocalFile()) return QTextBrowser::loadResource(type, url);
    return {};
}

}  // namespace yeroup::app
