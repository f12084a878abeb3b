#pragma once
// One package fetch, the same for the program and both tools: ask (the rest, when a partial can be resumed), judge
// the answer, write it as it arrives, tell whole from cut from refused, resume a cut by itself, verify the signature
// when a key is configured, and then store the file, keep the partial to be resumed, or discard it. With a key, the
// package's signed piece list (when its host has one) checks each piece as it arrives. Given mirrors, a host that
// cannot be reached, refuses, answers 5xx (or, a mirror, 4xx), misses its header deadline, trickles, or sends a bad
// piece is left for the next, and the download goes on there by its pieces. The callers differ only in what they
// show.
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/Limits.h"
#include "app/core/Trace.h"
#include "app/download/FetchTrace.h"
#include "app/download/HostPace.h"
#include "app/download/HostRotation.h"
#include "app/download/PartialDownload.h"
#include "app/download/PieceCheck.h"
#include "app/trust/TrustedKeys.h"
#include "http/IdHTTP.h"

namespace yeroup::app {

// How a package fetch ended.
enum class TFetchEnd {
    Stored,            // whole, verified when a key is configured, and now the file (its signature beside it)
    Cut,               // cut again and again until the tries were spent (or the deadline passed)
    SignatureMissing,  // whole, but its signature could not be fetched: kept as "whole, not yet verified"
    SignatureRefused,  // its signature was fetched and does not verify it: discarded
    NotWhole,          // an empty body, or one without a length or chunks, which cannot be told whole: discarded
    Failed,            // refused or failed otherwise (an error answer, a certificate, no connection, the disk)
    Cancelled,
};

struct TPackageFetchLimits {
    std::int64_t maxLength = limits::kMaxPackageBytes;  // of the whole package
    std::int32_t deadlineMs = 0;                        // for the whole fetch, resumes included; 0: none
    int retries = limits::kDownloadRetries;             // tries in a row that bring nothing
    std::int32_t firstPauseMs = limits::kRetryFirstPauseMs;
    THostPaceLimits pace;  // each host's header deadline and speed floor
};

struct TPackageFetchResult {
    TFetchEnd end = TFetchEnd::Failed;
    std::exception_ptr error;    // Failed and Cut: the last failure (none for a body that simply stopped short)
    bool partialKept = false;    // a partial with its resume record stays, for the next fetch to go on from
    std::int64_t size = 0;       // bytes of the file, or of the partial
    std::int64_t total = -1;     // the whole length, when the host said
    std::string signature;       // Stored with a key: the accepted signature, kept beside the file
    std::string signatureWhy;    // SignatureMissing: the signature's status line; SignatureRefused: why
    bool piecesRefused = false;  // SignatureRefused: the bytes were not the ones the signed piece list names
    int tries = 0;               // requests for the body, the first one included
};

class TPackageFetch {
public:
    // urls (the same package on each host, the primary first) into file; with keys configured, the signature at
    // url + ".minisig" must name signedName, and the piece list at url + ".pieces" (signed beside itself) its name.
    TPackageFetch(http::TIdHTTP& client, std::vector<std::string> urls, std::string file,
                  const trust::TTrustedKeys& keys, std::string signedName, const TTrace& trace,
                  TPackageFetchLimits limits = {});
    TPackageFetch(http::TIdHTTP& client, std::string url, std::string file, const trust::TTrustedKeys& keys,
                  std::string signedName, const TTrace& trace, TPackageFetchLimits limits = {})
        : TPackageFetch(client, std::vector<std::string>{std::move(url)}, std::move(file), keys, std::move(signedName),
                        trace, limits) {}

    // Told, when there are mirrors, before each host's first request: the host ("http://host:port") that serves the
    // package now.
    std::function<void(const std::string& host)> OnHost;

    // Told before each resume: the try about to be made (2, 3, ...) and the failure that cut the one before.
    std::function<void(int attempt, const std::exception* cut)> OnResume;
    // Waits between tries; returns false when the wait was cancelled. By default it sleeps.
    std::function<bool(std::int32_t ms)> Wait;
    // The user cancelled: no resume, and the partial is kept as a cut.
    std::function<bool()> Cancelled;
    // Runs a step that works through the whole package or waits for the disk (the signature check, the flush);
    // by default in place. A window runs it beside its event loop, so as to stay live meanwhile.
    std::function<void(const std::function<void()>& step)> RunLongStep;

    TPackageFetchResult Run();
    const TPartialDownload& Download() const { return download_; }
    // The package is checked by its signed piece list (known once Run has begun).
    bool CheckedByPieces() const { return pieces_.has_value(); }

private:
    // How one request for the body ended.
    enum class TTry {
        Whole,     // the body is whole
        Ended,     // over, without a whole body: refused, or one that cannot be told whole
        Cut,       // cut short: to be resumed
        BadPiece,  // a piece did not match: the partial is cut back to its start, to be fetched again
    };
    TTry TryBody(std::exception_ptr& error);
    bool IsCut(const std::exception& failure) const;
    std::int32_t PauseBefore(int fruitless) const;
    // The piece list from the first host that has one and answers; none without a key, when the host has none, or
    // when it does not verify (traced).
    void LoadPieces();
    bool FetchPieces(const std::string& url);
    // Leaves the host in use for the next (dropping it when drop); true when the next is the one tried first.
    bool MoveOn(bool drop, const std::exception_ptr& why);
    void TellHost();
    // The body is whole: verify, then store or keep or discard.
    TPackageFetchResult Settle(TPackageFetchResult result, const TFetchTrace& trace);
    // The package's signature over the whole body; raises trust::ESignatureError.
    void VerifyWholeBody(const std::string& signature) const;
    // The signature from the host that served the body, else from the others.
    bool FetchPackageSignature(std::string& signature);
    // Ended without a whole body and without a cut: keep what can be resumed, discard the rest.
    TPackageFetchResult Refused(TPackageFetchResult result, const std::exception_ptr& error, const TFetchTrace& trace);
    // The only host left sent a piece other than the signed one: refused as a signature is.
    TPackageFetchResult BadPieceEnd(TPackageFetchResult result, const std::exception_ptr& error,
                                    const TFetchTrace& trace);
    // The user cancelled: what can be resumed is kept.
    TPackageFetchResult CancelledEnd(TPackageFetchResult result, const TFetchTrace& trace);
    // After a cut: tells OnResume and waits before the next try (not when the next host is a new one). False when
    // the tries or the time are spent or the wait was cancelled; result then holds the end, with what can be
    // resumed kept.
    bool ResumeAfterCut(TPackageFetchResult& result, const std::exception_ptr& error, int fruitless, bool pause,
                        const TFetchTrace& trace);
    std::int64_t RemainingMs() const;
    void KeepOrDiscard(TPackageFetchResult& result);

    http::TIdHTTP& client_;
    THostRotation hosts_;
    std::string file_;
    const trust::TTrustedKeys keys_;
    std::string signedName_;
    const TTrace& trace_;
    TPackageFetchLimits limits_;
    TPartialDownload download_;
    std::optional<TPieceCheck> pieces_;
    THostPace pace_;
    std::string toldHost_;                            // the host OnHost was last told of
    std::int64_t stored_ = -1;                        // bytes of the file once stored
    std::chrono::steady_clock::time_point deadline_;  // of the whole fetch, when limits_.deadlineMs is set
};

}  // namespace yeroup::app
