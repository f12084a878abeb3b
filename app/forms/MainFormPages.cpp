// The firmware page view and the package-ready panel.
#include <filesystem>

#include "app/core/Texts.h"
#include "app/forms/MainForm.h"
#include "app/ui/Translation.h"
#include "platform/scope/ScopeExit.h"
#include "platform/scope/ScopedValue.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool TForm2::FetchPage(const std::string& m, const std::string& f) {
    // A busy cursor over the page view while the host is asked; a slow host may hold the page for seconds.
    WebBrowser2->SetBusy(true);
    const platform::ScopeExit notBusy([this] { WebBrowser2->SetBusy(false); });
    return splash_.FetchToFile(services_.Files.PageUrl(m, f), services_.Files.PageFile(m, f));
}

void TForm2::DownShowHTML() {
    // The page client serves one fetch at a time: a change of selection while a fetch waits is taken up
    // by that call once its fetch has returned, for whatever is selected then.
    if (pageFetching_) {
        pageAgain_ = true;
        // The page on view belongs to the earlier selection.
        WebBrowser2->ShowNote(QTr(texts::kPageLoading));
        return;
    }
    const platform::ScopedValue<bool> fetching(pageFetching_, true);
    do {
        pageAgain_ = false;
        const std::string m = SelectedModel(), f = SelectedFirmware();
        const std::string page = services_.Files.PageFile(m, f);
        if (FileExists(page)) {
            // The copy of an earlier visit is shown at once and refreshed for the next visit.
            WebBrowser2->Navigate(page);
            FetchPage(m, f);
        } else {
            // Nothing of the earlier selection stays on view while its page is fetched.
            WebBrowser2->ShowNote(QTr(texts::kPageLoading));
            FetchPage(m, f);
            WebBrowser2->Navigate(page);
        }
    } while (pageAgain_);
}

void TForm2::ShowHidP3() {
    const std::string m = SelectedModel(), f = SelectedFirmware();
    Button1->setEnabled(ComboBox1->currentIndex() >= 0 && ComboBox2->currentIndex() >= 0);
    if (FileExists(services_.Files.PackageFile(m, f))) {
        Panel3->show();
        Button1->setText(QTr(texts::kDownloadAgain));
        Label11->setText(
            QString::fromStdString(Tr({texts::kPackageReady, {platform::AnsiToUtf8(m), platform::AnsiToUtf8(f)}})));
        Label11->adjustSize();
    } else {
        Panel3->hide();
        Button1->setText(QTr(texts::kDownload));
    }
}

}  // namespace yeroup::app
