#include <gtest/gtest.h>

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <thread>

#include "app/core/Texts.h"
#include "app/download/PartialDownload.h"
#include "app/forms/MainForm.h"
#include "tests/app/support/AppHarness.h"

using namespace yeroup::app;
using namespace yeroup::test;
namespace net = yeroup::net;

namespace {

const std::string kCatalogue = "[A]\r\n1.0=x\r\n";
const std::string kPackagePath = "/YEROMP3LiveUpdate/Firmware/A/A_1.0.zip";

std::string Bytes(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
    return s;
}

struct IdleLook {
    bool listsEnabled, button1Shown, button3Hidden, panel2Hidden, timerOff;
};

IdleLook Look(TForm2& form) {
    return {form.ComboBox1->isEnabled() && form.ComboBox2->isEnabled(), !form.Button1->isHidden(),
            form.Button3->isHidden(), form.Panel2->isHidden(), !form.Timer1->isActive()};
}

void ExpectIdle(TForm2& form) {
    const IdleLook look = Look(form);
    EXPECT_TRUE(look.listsEnabled);
    EXPECT_TRUE(look.button1Shown);
    EXPECT_TRUE(look.button3Hidden);
    EXPECT_TRUE(look.panel2Hidden);
    EXPECT_TRUE(look.timerOff);
    EXPECT_FALSE(form.Downloading());
}

// True once the host holds the body and the window's byte count has not moved for a second: the
// window has then taken in all the whole receive buffers that came before the hold.
class Settled {
public:
    Settled(AppHarness& h, TForm2& form) : h_(h), form_(form) {}
    bool operator()() {
        if (!h_.server.Holding()) return false;
        if (form_.ReceivedSize != last_) {
            last_ = form_.ReceivedSize;
            since_.start();
            return false;
        }
        return since_.isValid() && since_.elapsed() > 1000;
    }

private:
    AppHarness& h_;
    TForm2& form_;
    std::int32_t last_ = -1;
    QElapsedTimer since_;
};

// Runs action from the window's event handling (as a click would) once the host holds the body and the
// window has taken in what came before the hold.
class WhenHolding {
public:
    WhenHolding(AppHarness& h, std::function<bool()> ready, std::function<void()> action) {
        QObject::connect(&timer_, &QTimer::timeout, [this, &h, ready = std::move(ready), action = std::move(action)] {
            if (done_ || !h.server.Holding() || !ready()) return;
            done_ = true;
            action();
        });
        timer_.start(10);
    }
    bool Done() const { return done_; }

private:
    QTimer timer_;
    bool done_ = false;
};

// A click on the cancel button within the double-click interval after the start is ignored; tests that
// cancel at once set the interval for their own run.
class DoubleClickInterval {
public:
    explicit DoubleClickInterval(int ms) : saved_(QApplication::doubleClickInterval()) {
        QApplication::setDoubleClickInterval(ms);
    }
    ~DoubleClickInterval() { QApplication::setDoubleClickInterval(saved_); }

private:
    int saved_;
};

// Times this thread has gone to sleep so far.
long ThreadSleeps() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

}  // namespace

TEST(MainFormDownload, WhileTheHostHoldsTheWindowSleepsUntilAMessageComesAndHandlesItAtOnce) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(400000));
    h.server.HoldAfter(kPackagePath, 100000);
    TForm2& form = h.MakeMain();
    long sleeps = -1;
    qint64 handledAfterMs = -1;
    QElapsedTimer posted;
    QTimer holding;
    QObject::connect(&holding, &QTimer::timeout, [&] {
        if (!h.server.Holding()) return;
        holding.stop();
        const long before = ThreadSleeps();
        QTimer::singleShot(500, [&, before] {
            sleeps = ThreadSleeps() - before;
            // A message from another thread, as a screen reader's query comes.
            posted.start();
            std::thread([&] {
                QMetaObject::invokeMethod(
                    &form,
                    [&] {
                        handledAfterMs = posted.elapsed();
                        form.Button3->click();
                    },
                    Qt::QueuedConnection);
            }).join();
        });
    });
    holding.start(10);
    form.Button1->click();
    // Waited for in slices of a millisecond, half a second would be hundreds of sleeps; the speed text's timer
    // wakes it once a second.
    EXPECT_GE(sleeps, 0);
    EXPECT_LT(sleeps, 20);
    EXPECT_GE(handledAfterMs, 0);
    EXPECT_LT(handledAfterMs, 100);
    ExpectIdle(form);
}

TEST(MainFormDownload, ProgressLabelsThenTheSavedPackage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(1536000);
    h.ServePackage("A", "1.0", package);
    // The connection reports a counted body in whole receive buffers of 32 KiB: hold after 24 of them.
    h.server.HoldAfter(kPackagePath, 786432);
    TForm2& form = h.MakeMain();
    form.show();
    QString size, percent, sofar;
    std::int32_t received = 0;
    IdleLook during{};
    bool panel2Shown = false, panel3Hidden = false;
    WhenHolding look(h, Settled(h, form), [&] {
        size = form.Label1->text();
        percent = form.Label4->text();
        sofar = form.Label5->text();
        received = form.ReceivedSize;
        during = Look(form);
        panel2Shown = form.Panel2->isVisible();
        panel3Hidden = form.Panel3->isHidden();
        h.server.Release();
    });
    form.Button1->click();
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(size, QStringLiteral("1500 KB"));
    // The count stands within the last receive buffer before the hold.
    EXPECT_GT(received, 786432 - 32768);
    EXPECT_LE(received, 786432);
    EXPECT_EQ(percent, QString::number(std::int64_t{received} * 100 / 1536000) + "%");
    EXPECT_EQ(sofar, QString::number(received / 1024) + " KB");
    EXPECT_FALSE(during.listsEnabled);
    EXPECT_FALSE(during.button1Shown);
    EXPECT_FALSE(during.button3Hidden);
    EXPECT_FALSE(during.timerOff);
    EXPECT_TRUE(panel2Shown);
    EXPECT_TRUE(panel3Hidden);

    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), package);
    ExpectIdle(form);
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_EQ(form.Label11->text(), QStringLiteral("A 的 1.0 固件包已经准备好！"));
    EXPECT_EQ(form.Button1->text(), QStringLiteral("重新下载"));
    EXPECT_EQ(form.Label4->text(), QStringLiteral("100%"));
    EXPECT_EQ(form.ElapsedTicks, 0);
    EXPECT_TRUE(h.boxes.shown.empty());
    EXPECT_FALSE(form.IdAntiFreeze1->OnlyWhenIdle);
}

TEST(MainFormDownload, ProgressLabelsFollowTheCounts) {
    struct Case {
        const char* what;
        std::int32_t total, received;
        const char *size, *percent;
        int bar;
        const char* sofar;
    } cases[] = {
        {"half of a 1500 KB package", 1536000, 768000, "1500 KB", "50%", 50, "750 KB"},
        // Widened arithmetic keeps the percentage of packages beyond 21 MB.
        {"beyond 21 MB", 30000000, 25000000, "29296 KB", "83%", 83, "24414 KB"},
        {"less than a kilobyte", 30000000, 1023, "29296 KB", "0%", 0, "0 KB"},
    };
    AppHarness h;
    TForm2& form = h.MakeMain();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        form.IdHTTP1WorkBegin(nullptr, net::wmRead, c.total);
        form.IdHTTP1Work(nullptr, net::wmRead, c.received);
        EXPECT_EQ(form.Label1->text(), QString::fromUtf8(c.size));
        EXPECT_EQ(form.Label4->text(), QString::fromUtf8(c.percent));
        EXPECT_EQ(form.ProgressBar1->Shown(), c.bar);
        EXPECT_EQ(form.Label5->text(), QString::fromUtf8(c.sofar));
        EXPECT_EQ(form.ReceivedSize, c.received);
    }
    form.Timer1->stop();
}

TEST(MainFormDownload, SpeedIsTheAverageSinceTheProgressStarted) {
    AppHarness h;
    TForm2& form = h.MakeMain();
    form.IdHTTP1WorkBegin(nullptr, net::wmRead, 4000000);
    form.IdHTTP1Work(nullptr, net::wmRead, 3145728);
    form.Timer1Timer();
    EXPECT_EQ(form.Label10->text(), QStringLiteral("3072 KB/s"));
    form.Timer1Timer();
    form.Timer1Timer();
    EXPECT_EQ(form.ElapsedTicks, 3);
    EXPECT_EQ(form.Label10->text(), QStringLiteral("1024 KB/s"));
    // Work end starts the next download's speed from zero.
    form.IdHTTP1WorkEnd(nullptr, net::wmRead);
    EXPECT_EQ(form.ElapsedTicks, 0);
    form.Timer1->stop();
}

TEST(MainFormDownload, NotFoundShowsTheMessageAndReturnsToIdle) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    TForm2& form = h.MakeMain();
    form.Button1->click();
    ASSERT_EQ(h.boxes.shown.size(), 1u);
    EXPECT_EQ(h.boxes.shown[0].text, texts::kDownloadFailed);
    EXPECT_EQ(h.boxes.shown[0].caption, "Tavik MP3 LiveUpdate 提示");
    EXPECT_EQ(h.boxes.shown[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_TRUE(h.boxes.shown[0].owned);
    ExpectIdle(form);
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    EXPECT_FALSE(std::filesystem::exists(PartialFileOf(h.services.Files.PackageFile("A", "1.0"))));
    EXPECT_EQ(form.ElapsedTicks, 0);
}

TEST(MainFormDownload, CancelInTheMiddleKeepsTheStoredPackage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    std::filesystem::create_directories(h.services.Files.PackageStore());
    WriteFile(h.services.Files.PackageFile("A", "1.0"), "the good old package");
    h.ServePackage("A", "1.0", Bytes(1000000));
    h.server.HoldAfter(kPackagePath, 300000);
    TForm2& form = h.MakeMain();
    form.show();
    WhenHolding cancel(h, Settled(h, form), [&] {
        EXPECT_GT(form.ReceivedSize, 0);
        form.Button3->click();
    });
    form.Button1->click();
    ASSERT_TRUE(cancel.Done());
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), "the good old package");
    EXPECT_TRUE(h.boxes.shown.empty());
    ExpectIdle(form);
    // The package-ready panel still offers the old package.
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_EQ(form.ElapsedTicks, 0);
}

TEST(MainFormDownload, AHostThatCutsThePackageThreeTimesNeedsOnePress) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(3 << 20);
    h.ServePackage("A", "1.0", package);
    h.server.CutAfter(kPackagePath, 800000, 3);
    TForm2& form = h.MakeMain();
    // The panel says the connection was lost and which try resumes it.
    std::vector<QString> captions;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (captions.empty() || captions.back() != form.Label6->text()) captions.push_back(form.Label6->text());
    });
    watch.start(20);
    form.Button1->click();
    EXPECT_TRUE(ReadFile(h.services.Files.PackageFile("A", "1.0")) == package);
    EXPECT_TRUE(h.boxes.shown.empty());
    ExpectIdle(form);
    EXPECT_FALSE(form.Panel3->isHidden());
    const std::vector<std::string> requests = h.server.Requests(), allRanges = h.server.Ranges();
    std::vector<std::string> ranges;
    for (std::size_t i = 0; i < requests.size(); ++i)
        if (requests[i] == kPackagePath) ranges.push_back(allRanges[i]);
    EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=800000-", "bytes=1600000-", "bytes=2400000-"}));
    for (const char* caption : {"连接中断，第2次续传:", "连接中断，第3次续传:", "连接中断，第4次续传:"})
        EXPECT_NE(std::find(captions.begin(), captions.end(), QString::fromUtf8(caption)), captions.end()) << caption;
}

TEST(MainFormDownload, WhenTheTriesAreSpentItSaysPressingAgainContinuesAndItDoes) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(2 << 20);
    h.ServePackage("A", "1.0", package);
    h.server.CutAfter(kPackagePath, 700000, 2);
    TForm2& form = h.MakeMain();
    form.DownloadLimits.retries = 0;
    form.DownloadLimits.firstPauseMs = 10;
    form.Button1->click();
    EXPECT_EQ(h.boxes.Texts(), std::vector<std::string>{texts::kDownloadCut});
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    ExpectIdle(form);
    form.DownloadLimits.retries = 1;
    form.Button1->click();
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), package);
    EXPECT_EQ(h.boxes.shown.size(), 1u);
    std::vector<std::string> ranges;
    const std::vector<std::string> requests = h.server.Requests(), all = h.server.Ranges();
    for (std::size_t i = 0; i < requests.size(); ++i)
        if (requests[i] == kPackagePath) ranges.push_back(all[i]);
    EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=700000-", "bytes=1400000-"}));
}

TEST(MainFormDownload, ClosingTheWindowEndsARunningDownloadQuietly) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(400000));
    h.server.HoldAfter(kPackagePath, 100000);
    TForm2& form = h.MakeMain();
    form.show();
    bool closed = false;
    form.OnClosed = [&] { closed = true; };
    WhenHolding close(
        h, [] { return true; }, [&] { form.close(); });
    form.Button1->click();
    ASSERT_TRUE(close.Done());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(form.Downloading());
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    EXPECT_TRUE(h.boxes.shown.empty());
    // The selection was saved on the way out.
    EXPECT_TRUE(std::filesystem::exists(h.services.Files.SelectionFile()));
}

TEST(MainFormDownload, NoSecondDownloadStartsWhileOneRuns) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(200000));
    h.server.HoldAfter(kPackagePath, 65536);
    TForm2& form = h.MakeMain();
    DoubleClickInterval none(0);
    WhenHolding twice(
        h, [] { return true; },
        [&] {
            // The download button shows again right after a cancel, before the transfer has ended.
            form.Button3->click();
            form.Button1->click();
        });
    form.Button1->click();
    ASSERT_TRUE(twice.Done());
    int packageRequests = 0;
    for (const std::string& r : h.server.Requests()) packageRequests += r == kPackagePath;
    EXPECT_EQ(packageRequests, 1);
    ExpectIdle(form);
}

TEST(MainFormDownload, EmptyBodyNeverReplacesAStoredPackage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    std::filesystem::create_directories(h.services.Files.PackageStore());
    WriteFile(h.services.Files.PackageFile("A", "1.0"), "stored");
    h.ServePackage("A", "1.0", "");
    TForm2& form = h.MakeMain();
    form.Button1->click();
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), "stored");
    ExpectIdle(form);
    EXPECT_FALSE(form.Panel3->isHidden());
    EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(MainFormDownload, ChunkedPackageIsSavedWholeAndEndsIdle) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(260000);  // six chunks
    h.server.Serve(kPackagePath, package, UpdateHostServer::Framing::Chunked);
    TForm2& form = h.MakeMain();
    form.Button1->click();
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), package);
    ExpectIdle(form);
    EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(MainFormDownload, BodyOfUnknownLengthFailsWithTheMessage) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.server.Serve(kPackagePath, Bytes(5000), UpdateHostServer::Framing::UntilClose);
    TForm2& form = h.MakeMain();
    form.Button1->click();
    EXPECT_EQ(h.boxes.Texts(), std::vector<std::string>{texts::kDownloadFailed});
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    ExpectIdle(form);
}

TEST(MainFormDownload, SecondDownloadCountsItsSpeedFromItsOwnStart) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(100000));
    TForm2& form = h.MakeMain();
    form.Button1->click();
    EXPECT_EQ(form.ElapsedTicks, 0);
    form.ElapsedTicks = 5;  // as if ticks had run on
    form.IdHTTP1WorkEnd(nullptr, net::wmRead);
    form.Button1->click();
    EXPECT_EQ(form.ElapsedTicks, 0);
    ExpectIdle(form);
}

TEST(MainFormDownload, ChunkedPackageShowsBytesSoFarSpeedAndABusyBar) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(400000);
    h.server.Serve(kPackagePath, package, UpdateHostServer::Framing::Chunked);
    h.server.HoldAfter(kPackagePath, 150000);  // three chunks of 50,000 bytes
    TForm2& form = h.MakeMain();
    form.show();
    QString size, percent, sofar, speed, expectedSpeed;
    bool unknown = false, busyBar = false, timerOn = false, panelShown = false;
    WhenHolding look(h, Settled(h, form), [&] {
        size = form.Label1->text();
        percent = form.Label4->text();
        sofar = form.Label5->text();
        unknown = form.SizeUnknown();
        busyBar = form.ProgressBar1->minimum() == 0 && form.ProgressBar1->maximum() == 0;
        timerOn = form.Timer1->isActive();
        panelShown = form.Panel2->isVisible();
        form.Timer1Timer();
        speed = form.Label10->text();
        expectedSpeed = QString::number(150000 / form.ElapsedTicks / 1024) + " KB/s";
        h.server.Release();
    });
    form.Button1->click();
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(size, QStringLiteral("未知"));
    EXPECT_EQ(percent, QString());
    EXPECT_EQ(sofar, QStringLiteral("146 KB"));  // across the chunks, not the last chunk's own count
    EXPECT_EQ(speed, expectedSpeed);
    EXPECT_TRUE(unknown);
    EXPECT_TRUE(busyBar);
    EXPECT_TRUE(timerOn);
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(ReadFile(h.services.Files.PackageFile("A", "1.0")), package);
    ExpectIdle(form);
    EXPECT_EQ(form.ProgressBar1->maximum(), 100);
    EXPECT_EQ(form.ElapsedTicks, 0);
}

TEST(MainFormDownload, ClickOnCancelRightAfterTheStartEndsADoubleClickNotTheDownload) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(200000));
    h.server.HoldAfter(kPackagePath, 65536);
    TForm2& form = h.MakeMain();
    DoubleClickInterval longOne(600000);
    bool ignored = false;
    WhenHolding clicks(
        h, [] { return true; },
        [&] {
            form.Button3->click();
            ignored = form.Downloading() && form.Button1->isHidden() && !form.Button3->isHidden();
            QApplication::setDoubleClickInterval(0);  // the interval has passed
            form.Button3->click();
        });
    form.Button1->click();
    ASSERT_TRUE(clicks.Done());
    EXPECT_TRUE(ignored);
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    ExpectIdle(form);
}

TEST(MainFormDownload, FromTheKeyboardFocusFollowsTheButtonsAndEscapeCancels) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    h.ServePackage("A", "1.0", Bytes(200000));
    h.server.HoldAfter(kPackagePath, 65536);
    TForm2& form = h.MakeMain();
    form.show();
    QApplication::setActiveWindow(&form);
    form.Button1->setFocus();
    QWidget* focusedDuring = nullptr;
    WhenHolding escape(
        h, [] { return true; },
        [&] {
            focusedDuring = form.focusWidget();
            QTest::keyClick(form.focusWidget(), Qt::Key_Escape);
        });
    QTest::keyClick(form.Button1, Qt::Key_Space);
    ASSERT_TRUE(escape.Done());
    EXPECT_EQ(focusedDuring, form.Button3);
    EXPECT_FALSE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    ExpectIdle(form);
    EXPECT_EQ(form.focusWidget(), form.Button1);

    // Run to its end, the download leaves the focus on the upgrade button.
    QTest::keyClick(form.Button1, Qt::Key_Return);
    EXPECT_TRUE(std::filesystem::exists(h.services.Files.PackageFile("A", "1.0")));
    EXPECT_TRUE(form.Panel3->isVisible());
    EXPECT_EQ(form.focusWidget(), form.Button2);
    // Escape while idle does nothing.
    QTest::keyClick(form.Button2, Qt::Key_Escape);
    ExpectIdle(form);
}

TEST(MainFormDownload, ACancelledDownloadResumesWhereItEndedAndSaysSo) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string package = Bytes(1000000);
    h.ServePackage("A", "1.0", package);
    h.server.HoldAfter(kPackagePath, 300000);
    TForm2& form = h.MakeMain();
    form.show();
    std::int32_t cancelledAt = 0;
    WhenHolding cancel(h, Settled(h, form), [&] {
        cancelledAt = form.ReceivedSize;
        form.Button3->click();
    });
    form.Button1->click();
    ASSERT_TRUE(cancel.Done());
    const std::string file = h.services.Files.PackageFile("A", "1.0");
    EXPECT_FALSE(std::filesystem::exists(file));
    const std::int64_t kept = static_cast<std::int64_t>(std::filesystem::file_size(PartialFileOf(file)));
    EXPECT_EQ(kept, cancelledAt);

    // The second download asks for the rest; its display counts the part already there, and says so.
    h.server.HoldAfter(kPackagePath, 100000);
    QString size, sofar, speed, state, speedCaption;
    std::int32_t received = 0;
    WhenHolding look(h, Settled(h, form), [&] {
        size = form.Label1->text();
        state = form.Label6->text();
        speedCaption = form.Label9->text();
        sofar = form.Label5->text();
        received = form.ReceivedSize;
        form.ElapsedTicks = 0;
        form.Timer1Timer();
        speed = form.Label10->text();
        h.server.Release();
    });
    form.Button1->click();
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(size, "976 KB");
    EXPECT_EQ(sofar, QString::number(received / 1024) + " KB");
    EXPECT_EQ(speed, QString::number((received - kept) / 1024) + " KB/s");
    EXPECT_EQ(state + speedCaption, "续传中:本次速度:");
    EXPECT_GT(received, kept);
    std::vector<std::string> packageRanges;
    const std::vector<std::string> targets = h.server.Requests(), ranges = h.server.Ranges();
    for (std::size_t i = 0; i < targets.size(); ++i)
        if (targets[i] == kPackagePath) packageRanges.push_back(ranges[i]);
    EXPECT_EQ(packageRanges, (std::vector<std::string>{"", "bytes=" + std::to_string(kept) + "-"}));
    EXPECT_TRUE(ReadFile(file) == package);
    EXPECT_FALSE(std::filesystem::exists(PartialFileOf(file)));
    EXPECT_TRUE(h.boxes.shown.empty());
    ExpectIdle(form);
}

TEST(MainFormDownload, StartUpRemovesPartialsOfPackagesTheCatalogueNoLongerLists) {
    AppHarness h;
    h.ServeCatalogue(kCatalogue, true);
    const std::string store = h.services.Files.PackageStore();
    std::filesystem::create_directories(store);
    const std::string listed = h.services.Files.PackageFile("A", "1.0");
    const std::string gone = h.services.Files.PackageFile("A", "0.9");
    for (const std::string& file : {listed, gone}) {
        WriteFile(PartialFileOf(file), "part");
        WriteFile(ResumeRecordOf(file), "record");
    }
    h.MakeMain();
    EXPECT_TRUE(std::filesystem::exists(PartialFileOf(listed)));
    EXPECT_FALSE(std::filesystem::exists(PartialFileOf(gone)));
    EXPECT_FALSE(std::filesystem::exists(ResumeRecordOf(gone)));
}
