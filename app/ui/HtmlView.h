#pragma once
// The HTML view standing in for the embedded web browser: it shows a local HTML file (read when it is
// navigated to, so later changes of the file show on the next navigation) or an http URL, which it fetches
// in the background through its own network client, one transfer at a time (a new navigation abandons the
// one under way). Links in a page navigate the view.
#include <QByteArray>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <string>

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

signals:
    void Loaded();

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void ShowHtml(const QByteArray& bytes, const QUrl& base);
    void ShowErrorPage(const QString& what);
    void NavigateUrl(const QUrl& url);
    void FollowLink(const QUrl& link);
    void Finish(bool page);

    QNetworkAccessManager* network_;
    QPointer<QNetworkReply> pending_;
    std::string location_;
    QUrl base_;
    bool showsPage_ = false;
    int loadCount_ = 0;
};

// Decodes an HTML page by the charset it declares (UTF-8 when it declares none).
QString DecodeHtml(const QByteArray& bytes);

}  // namespace yeroup::app
