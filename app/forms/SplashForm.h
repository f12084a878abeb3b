#pragma once
// The splash window: the borderless picture shown first. About a second after creation its timer runs the
// start-up checks (the player software's registry key and install folder, the catalogue fetch). It owns the
// HTTP client through which every fetch-to-file of the program goes, and keeps the install folder.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/core/Message.h"
#include "app/forms/AppServices.h"
#include "http/IdHTTP.h"
#include "platform/streams/Stream.h"

namespace yeroup::app {

// How a catalogue fetch ended, for the message the user sees.
enum class TCatalogueFetch {
    Taken,
    Unreachable,     // no answer, an error status, or a body that is no catalogue
    HostNotTrusted,  // the https host's certificate was refused
    NotVerified,     // its signature is missing or refused, or it is older than the copy held, or expired
};

class TForm1 : public QWidget {
public:
    explicit TForm1(const TAppServices& services, QWidget* parent = nullptr);
    ~TForm1() override;

    std::unique_ptr<http::TIdHTTP> IdHTTP1;
    QLabel* Image1;
    QLabel* Label2;
    QTimer* Timer1;
    std::string InstallFolder;

    void FormCreate();
    void Timer1Timer();
    void FormAc();

    // True when url was fetched and its body saved to path (replaced atomically). A failed fetch (time-outs and a
    // body above the fetch limit included), or a body shorter than its announced length, leaves the file untouched
    // and returns false; a failure to save raises. A call made while a fetch of this client is under way is refused
    // (false), so two transfers never interleave on the client. A body that accept (when given) refuses counts as a
    // failed fetch.
    bool FetchToFile(const std::string& url, const std::string& path,
                     const std::function<bool(std::string_view body)>& accept = {});
    // The same fetch into a stream, without saving.
    bool FetchToStream(const std::string& url, platform::TMemoryStream& stream);
    // True when the last fetch failed because the https host's certificate was refused.
    bool LastFetchHostNotTrusted() const { return hostNotTrusted_; }
    // The catalogue into its file, only when it reads as a catalogue. With a trusted key configured it is taken
    // only with a good signature that names it, is not older than the one accepted last and is not past the
    // expiry it signs, and that signature is kept beside it.
    TCatalogueFetch FetchCatalogue();

    // Set by FormAc when the program must end (player software missing, no catalogue file).
    bool TerminateRequested() const { return terminate_; }

private:
    // The site's key rotation statement, when it has one, taken into the program's own key set if it checks with
    // the keys in force; a refused one is traced and changes nothing.
    void TakeKeyRotation();

    const TAppServices& services_;
    bool terminate_ = false;
    bool fetching_ = false;
    bool hostNotTrusted_ = false;
    // Why the last failed fetch failed when the environment's proxy was the reason, for the user; else empty.
    TMessage proxyFailure_;
    // Set when the fetched catalogue was signed too far ahead of this computer's clock: the message names its date.
    TMessage signedAhead_;
};

}  // namespace yeroup::app
