#pragma once
// The HTML view standing in for the embedded web browser: it shows a local HTML file (read when it is
// navigated to, so later changes of the file show on the next navigation) or an http URL, which it fetches
// in the background through its own network client, one transfer at a time (a new navigation abandons the
// one under way). Links in a page navigate the view. While the page it is to show is being fetched by
// someone else, the view can show a note in its place and a busy cursor.
#include <QByteArray>
#include <QPointer>
#include <QSslConfiguration>
#include <QTextBrowser>
#include <QUrl>
#include <string>

#include "app/core/Trace.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace yeroup::app {

class THtmlView : public QTextBrowser {
    Q_OBJECT

public:
    explicit THtmlView(QWidget* parent = nullptr);
    ~THtmlView() override;

    // A URL with a scheme (http, https, file) or a local file path (UTF-8).
    void Navigate(const std::string& target);

    // What was last navigated to, and whether its page (rather than the view's own error page) is shown.
    const std::string& LocationName() const { return location_; }
    bool ShowsPage() const { return showsPage_; }
    // Navigations finished so far (pages and error pages).
    int LoadCount() const { return loadCount_; }

    // Shows a short note in place of a page (the next navigation replaces it).
    void ShowNote(const QString& text);
    // A busy cursor over the whole view, which takes no clicks meanwhile.
    void SetBusy(bool busy);
    bool Busy() const;

    // The view's own fetches go to trace (off by default).
    void SetTrace(TTrace trace) { trace_ = std::move(trace); }
    // https pages are verified against the certificate authorities of this PEM file too, as the update client's
    // are; a file that cannot be read adds none.
    void TrustExtraCAFile(const std::string& caFile);

signals:
    void Loaded();

protected:
    QVariant loadResource(int type, const QUrl& name) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowHtml(const QByteArray& bytes, const QUrl& base, const QString& contentType);
    void ShowErrorPage(const QString& what);
    void NavigateUrl(const QUrl& url);
    void FollowLink(const QUrl& link);
    void Finish(bool page);

    QNetworkAccessManager* network_;
    QSslConfiguration tls_;
    QWidget* busy_;
    QPointer<QNetworkReply> pending_;
    std::string location_;
    QUrl base_;
    bool showsPage_ = false;
    int loadCount_ = 0;
    TTrace trace_;
};

// Decodes an HTML page by the charset it declares or contentType (a Content-Type header value) gives; a page
// without either is read in the system's ANSI code page.
QString DecodeHtml(const QByteArray& bytes, const QString& contentType = {});

}  // namespace yeroup::app
