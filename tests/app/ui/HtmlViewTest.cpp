#include "app/ui/HtmlView.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextBlock>

#include "tests/http/support/TlsServers.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ScratchFolder.h"

using namespace yeroup::app;
using yeroup::test::ScratchFolder;
using yeroup::test::WriteFile;

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

}  // namespace

TEST(HtmlView, ShowsALocalFileAsItWasWhenNavigated) {
    ScratchFolder dir;
    const auto page = dir.Path() / "B_1.1.htm";
    WriteFile(page, "<html><body><p>old page</p></body></html>");
    THtmlView view;
    view.Navigate(page.string());
    EXPECT_TRUE(view.ShowsPage());
    EXPECT_TRUE(view.toPlainText().contains("old page"));
    WriteFile(page, "<html><body><p>new page</p></body></html>");
    EXPECT_TRUE(view.toPlainText().contains("old page"));
    view.Navigate(page.string());
    EXPECT_TRUE(view.toPlainText().contains("new page"));
    EXPECT_EQ(view.LoadCount(), 2);
}

// A page with a table reaches a screen reader as its plain text: lines, not the document's internal frame and
// paragraph markers; offsets are those of the view's caret.
TEST(HtmlView, ScreenReadersReadThePageWithoutInternalMarkers) {
    ScratchFolder dir;
    const auto page = dir.Path() / "A_1.0.htm";
    WriteFile(page,
              "<html><body><h3>V1.05</h3><table><tr><td>date</td><td>2005-09-12</td></tr></table>"
              "<p>fixes lyrics</p></body></html>");
    THtmlView view;
    view.setAccessibleName("page");
    view.Navigate(page.string());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&view);
    ASSERT_NE(accessible, nullptr);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    const QString whole = text->text(0, text->characterCount());
    for (const QString& read : {whole, accessible->text(QAccessible::Value)}) {
        for (const char16_t marker : {u'\ufdd0', u'\ufdd1', u'\u2029'}) EXPECT_FALSE(read.contains(QChar(marker)));
        for (const char* part : {"V1.05", "date", "2005-09-12", "fixes lyrics"}) EXPECT_TRUE(read.contains(part));
    }
    EXPECT_EQ(accessible->role(), QAccessible::StaticText);
    EXPECT_TRUE(accessible->state().readOnly);
    text->setCursorPosition(static_cast<int>(whole.indexOf("fixes")));
    EXPECT_EQ(view.textCursor().block().text(), QStringLiteral("fixes lyrics"));
    int start = 0, end = 0;
    EXPECT_EQ(text->textAtOffset(text->cursorPosition(), QAccessible::LineBoundary, &start, &end).trimmed(),
              QStringLiteral("fixes lyrics"));
}

TEST(HtmlView, MissingFileShowsTheViewsOwnPage) {
    ScratchFolder dir;
    THtmlView view;
    view.Navigate((dir.Path() / "_.htm").string());
    EXPECT_FALSE(view.ShowsPage());
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("无法显示该网页")));
}

TEST(HtmlView, PagesAreDecodedByTheirDeclaredCharsetElseInTheAnsiCodePage) {
    // "固件" in code page 936 and in UTF-8.
    const std::string gbk = "\xB9\xCC\xBC\xFE", utf8 = "固件";
    struct Case {
        const char* why;
        std::string page;
    };
    const Case cases[] = {
        {"declared gb2312",
         "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head><body>" + gbk +
             "</body></html>"},
        {"declared utf-8", "<html><head><meta charset=\"utf-8\"></head><body>" + utf8 + "</body></html>"},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF<html><body>" + utf8 + "</body></html>"},
        {"undeclared", "<html><body>" + gbk + "</body></html>"},
    };
    ScratchFolder dir;
    THtmlView view;
    for (const Case& c : cases) {
        WriteFile(dir.Path() / "page.htm", c.page);
        view.Navigate((dir.Path() / "page.htm").string());
        EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("固件"))) << c.why;
    }
    // A header's charset comes before the page's own declaration.
    EXPECT_EQ(DecodeHtml(QByteArray::fromStdString("<meta charset=gbk>" + utf8), "text/html; charset=UTF-8"),
              QString::fromStdString("<meta charset=gbk>" + utf8));
}

TEST(HtmlView, BusyViewShowsABusyCursorAndTakesNoClicks) {
    THtmlView view;
    view.resize(449, 336);
    view.show();
    auto under = [&] { return view.childAt(view.rect().center()); };
    EXPECT_NE(under()->cursor().shape(), Qt::BusyCursor);
    view.SetBusy(true);
    EXPECT_TRUE(view.Busy());
    EXPECT_EQ(under()->cursor().shape(), Qt::BusyCursor);
    EXPECT_NE(under(), view.viewport());
    view.resize(300, 200);  // the busy area follows the view
    EXPECT_EQ(view.childAt(QPoint(295, 195))->cursor().shape(), Qt::BusyCursor);
    view.SetBusy(false);
    EXPECT_EQ(under(), view.viewport());
    view.ShowNote(QStringLiteral("请稍候"));
    EXPECT_FALSE(view.ShowsPage());
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("请稍候")));
}

TEST(HtmlView, FetchesAnHttpUrlInTheBackground) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QByteArray request;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [&request, peer] {
            request += peer->readAll();
            if (!request.contains("\r\n\r\n")) return;
            const QByteArray body = "<html><body>home page</body></html>";
            peer->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\n\r\n" + body);
            peer->disconnectFromHost();
        });
    });
    THtmlView view;
    view.Navigate("http://127.0.0.1:" + std::to_string(server.serverPort()) + "/YEROMP3LiveUpdate");
    EXPECT_EQ(view.LoadCount(), 0);  // navigation returns before the page is there
    ASSERT_TRUE(WaitFor([&] { return view.LoadCount() == 1; }));
    EXPECT_TRUE(view.ShowsPage());
    EXPECT_TRUE(view.toPlainText().contains("home page"));
    EXPECT_TRUE(request.startsWith("GET /YEROMP3LiveUpdate HTTP/1.1\r\n"));
    server.close();
    view.Navigate("http://127.0.0.1:" + std::to_string(server.serverPort()) + "/gone");
    ASSERT_TRUE(WaitFor([&] { return view.LoadCount() == 2; }));
    EXPECT_FALSE(view.ShowsPage());
}

// Through a CONNECT proxy, so that the test's host name needs no lookup: a certificate for *.wild.test serves
// foo.wild.test, one for f*.wild.test does not, as in browsers and the update client.
TEST(HtmlView, WildcardCertificatesNameWholeLabelsOnly) {
    yeroup::test::ConnectProxy proxy;
    // The views take their proxy from the environment, as the update client does.
    const yeroup::test::ScopedEnvironment environment("https_proxy",
                                                      "http://127.0.0.1:" + std::to_string(proxy.Port()));
    ScratchFolder dir;
    for (const auto& [certificate, served] : {std::pair{"wildcard", true}, std::pair{"partial-wildcard", false}}) {
        SCOPED_TRACE(certificate);
        yeroup::test::TlsNginxServer server(certificate);
        server.WriteFile("index.html", "<html>wild</html>");
        THtmlView view;
        view.TrustExtraCAFile(yeroup::test::TestCAFile());
        const auto trace = dir.Path() / (std::string(certificate) + ".log");
        view.SetTrace(TTrace(trace.string()));
        view.Navigate("https://foo.wild.test:" + std::to_string(server.TlsPort()) + "/index.html");
        ASSERT_TRUE(WaitFor([&] { return view.LoadCount() == 1; }));
        EXPECT_EQ(view.ShowsPage(), served);
        EXPECT_EQ(yeroup::test::ReadFile(trace).find("the certificate is not valid for the host name foo.wild.test") !=
                      std::string::npos,
                  !served);
    }
}
