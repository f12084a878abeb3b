#include "app/download/PackageFetch.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/core/AppFiles.h"
#include "app/download/PieceList.h"
#include "app/download/SignedFetch.h"
#include "net/IdException.h"
#include "net/tls/IdSSLExceptions.h"
#include "platform/files/AtomicWrite.h"
#include "platform/files/MappedFile.h"
#include "platform/scope/ScopedValue.h"

namespace yeroup::app {

namespace {

using Clock = std::chrono::steady_clock;

bool SleepFor(std::int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return true;
}

void RunInPlace(const std::function<void()>& step) { step(); }

}  // namespace

TPackageFetch::TPackageFetch(http::TIdHTTP& client, std::vector<std::string> urls, std::string file,
                             const trust::TTrustedKeys& keys, std::string signedName, const TTrace& trace,
                             TPackageFetchLimits limits)
    : Wait(SleepFor),
      RunLongStep(RunInPlace),
      client_(client),
      hosts_(std::move(urls)),
      file_(std::move(file)),
      keys_(keys),
      signedName_(std::move(signedName)),
      trace_(trace),
      limits_(limits),
      download_(file_, hosts_.Url(), limits.maxLength),
      pace_(limits.pace) {}

bool TPackageFetch::IsCut(const std::exception& failure) const {
    // Only a body under way can be cut: no answer at all (a refused connection, a proxy that is down) or an
    // error answer is the host's or the network's refusal, which a retry would only repeat.
    http::TIdHTTPResponse& response = client_.Response();
    if (response.StatusLine.empty() || response.StatusCode() / 100 != 2) return false;
    if (dynamic_cast<const net::EIdTLSCertificateError*>(&failure)) return false;
    return dynamic_cast<const net::EIdConnClosedGracefully*>(&failure) ||
           dynamic_cast<const net::EIdSocketError*>(&failure) || dynamic_cast<const net::EIdReadTimeout*>(&failure) ||
           dynamic_cast<const net::EIdTCPConnectionError*>(&failure) || dynamic_cast<const net::EIdTLSError*>(&failure);
}

std::int32_t TPackageFetch::PauseBefore(int fruitless) const {
    const std::int64_t pause = std::int64_t{limits_.firstPauseMs} << std::min(fruitless, 16);
    return static_cast<std::int32_t>(std::min<std::int64_t>(pause, limits::kRetryLongestPauseMs));
}

TPackageFetch::TTry TPackageFetch::TryBody(std::exception_ptr& error) {
    error = nullptr;
    try {
        download_.Get(client_);
    } catch (const EBadPiece&) {
        error = std::current_exception();
        return TTry::BadPiece;
    } catch (const std::exception& e) {
        error = std::current_exception();
        return IsCut(e) ? TTry::Cut : TTry::Ended;
    }
    if (download_.Whole()) return TTry::Whole;
    // A body short of its announced length is a cut; one without a length cannot be told cut from whole.
    return download_.Total() <= 0 ? TTry::Ended : TTry::Cut;
}

void TPackageFetch::KeepOrDiscard(TPackageFetchResult& result) {
    result.size = download_.Size();
    result.total = download_.Total();
    // What cannot be resumed is not kept; what is not a regular file (a planted link) is not touched.
    result.partialKept = download_.Resumable() && result.size > 0;
    if (!result.partialKept && result.size > 0) download_.Discard();
    if (result.partialKept) {
        try {
            download_.KeepVerified();
        } catch (const std::exception& e) {
            // The record stays as it was: the next run checks the pieces after its figure again.
            trace_.Line("error", std::string("the checked length of the partial package is not kept: ") + e.what());
        }
    }
}

bool TPackageFetch::FetchPieces(const std::string& url) {
    const std::string listUrl = TAppFiles::PieceListOf(url);
    std::string text, signature;
    pace_.Start(client_, 0);
    if (!FetchBounded(client_, listUrl, limits::kMaxPieceListBytes, text, trace_)) {
        // No answer or a server error: the host is at fault, not its list; the next host may have it.
        http::TIdHTTPResponse& response = client_.Response();
        return !response.StatusLine.empty() && response.StatusCode() / 100 != 5;
    }
    const std::string name = signedName_ + ".pieces";
    try {
        if (!FetchSignature(client_, listUrl, signature, trace_))
            throw trust::ESignatureError("its signature could not be fetched");
        keys_.Verify(text, signature, name);
        pieces_.emplace(ReadPieceList(text), trust::HexText(trust::Sha256Of(text)));
    } catch (const std::exception& e) {
        trace_.Line("error", "the piece list " + listUrl + " is not used: " + e.what());
    }
    return true;
}

void TPackageFetch::LoadPieces() {
    if (!keys_.Configured()) return;
    // The hosts in turn, from the primary on, until one answers: its list, or its lack of one, is the package's.
    for (std::size_t asked = 0; asked < hosts_.Count(); ++asked) {
        if (FetchPieces(hosts_.Url()) || !hosts_.OthersLeft()) break;
        trace_.Line("notice", HostOfUrl(hosts_.Url()) + " does not answer for the piece list; asking the next host");
        hosts_.Next(false);
    }
    if (pieces_) {
        download_.CheckPieces(&*pieces_);
        // No body of another length is taken at all.
        limits_.maxLength = std::min(limits_.maxLength, pieces_->List().Size);
    }
}

void TPackageFetch::TellHost() {
    const std::string host = HostOfUrl(hosts_.Url());
    if (host == toldHost_) return;
    toldHost_ = host;
    // With one host there is nothing to tell: it is the one the user set.
    if (hosts_.Count() < 2) return;
    trace_.Line("notice", "the package comes from " + host);
    if (OnHost) OnHost(host);
}

bool TPackageFetch::MoveOn(bool drop, const std::exception_ptr& why) {
    const std::string from = HostOfUrl(hosts_.Url());
    const bool wrapped = hosts_.Next(drop);
    download_.SetUrl(hosts_.Url());
    if (HostOfUrl(hosts_.Url()) != from)
        trace_.Line("notice", "leaving " + from + " for " + HostOfUrl(hosts_.Url()) + ": " +
                                  ErrorText(why, "the body stopped short"));
    return wrapped;
}

TPackageFetchResult TPackageFetch::Run() {
    // The body goes to the disk as it arrives: bounded by the package's own limit, not by what memory could hold.
    const platform::ScopedValue<std::int64_t> bodyBound(client_.MaxBodySize);
    const platform::ScopedValue<std::int32_t> callBound(client_.CallTimeout);
    const platform::ScopedValue<net::TWorkBeginEvent> workBegin(client_.OnWorkBegin);
    const platform::ScopedValue<net::TWorkEvent> work(client_.OnWork);
    const platform::ScopedValue<net::TWorkEndEvent> workEnd(client_.OnWorkEnd);
    deadline_ = Clock::now() + std::chrono::milliseconds(limits_.deadlineMs);
    LoadPieces();
    client_.MaxBodySize = limits_.maxLength;
    download_.SetUrl(hosts_.Url());
    pace_.Attach(client_);
    TPackageFetchResult result;
    std::optional<TFetchTrace> trace;
    for (int fruitless = 0;;) {
        ++result.tries;
        TellHost();
        const std::int64_t remaining = limits_.deadlineMs > 0 ? std::max<std::int64_t>(RemainingMs(), 1) : 0;
        pace_.Start(client_, static_cast<std::int32_t>(remaining));
        trace.emplace(trace_, client_, hosts_.Url(), [this] { return stored_ >= 0 ? stored_ : download_.Size(); });
        std::exception_ptr error;
        const TTry ended = TryBody(error);
        trace->Settle();
        if (Cancelled && Cancelled()) return CancelledEnd(std::move(result), *trace);
        if (ended == TTry::Whole) return Settle(std::move(result), *trace);
        if (ended == TTry::Ended) {
            // Another host may have the file (a mirror that lacks it answers 404) and may be reached.
            if (!error || !hosts_.OthersLeft()) return Refused(std::move(result), error, *trace);
            trace->Failed("refused; the next host is asked");
            MoveOn(true, error);
            continue;
        }
        // Bytes other than the signed ones from every host: asking again would bring the same.
        if (ended == TTry::BadPiece && !hosts_.OthersLeft()) return BadPieceEnd(std::move(result), error, *trace);
        // A cut: a try that brought bytes does not count against the limit.
        fruitless = download_.Size() > download_.Offset() ? 0 : fruitless + 1;
        // The next host is asked at once; the pause comes when they have all been tried.
        const bool pause = !hosts_.OthersLeft() || MoveOn(ended == TTry::BadPiece, error);
        if (!ResumeAfterCut(result, error, fruitless, pause, *trace)) return result;
    }
}

std::int64_t TPackageFetch::RemainingMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
}

TPackageFetchResult TPackageFetch::CancelledEnd(TPackageFetchResult result, const TFetchTrace& trace) {
    result.end = TFetchEnd::Cancelled;
    KeepOrDiscard(result);
    trace.Failed(result.partialKept ? "cancelled; the partial package is kept to be resumed" : "cancelled");
    return result;
}

bool TPackageFetch::ResumeAfterCut(TPackageFetchResult& result, const std::exception_ptr& error, int fruitless,
                                   bool pause, const TFetchTrace& trace) {
    const std::int32_t pauseMs = pause ? PauseBefore(fruitless) : 0;
    const bool spent =
        limits_.retries == 0 || fruitless > limits_.retries || (limits_.deadlineMs > 0 && RemainingMs() <= pauseMs);
    if (!spent && OnResume) {
        try {
            if (error) std::rethrow_exception(error);
            OnResume(result.tries + 1, nullptr);
        } catch (const std::exception& e) {
            OnResume(result.tries + 1, &e);
        }
    }
    if (!spent && (pauseMs == 0 || Wait(pauseMs))) return true;
    result.end = spent ? TFetchEnd::Cut : TFetchEnd::Cancelled;
    result.error = error;
    KeepOrDiscard(result);
    trace.Failed(std::string(result.partialKept ? "cut; the partial package is kept to be resumed" : "cut") +
                 " after " + std::to_string(result.tries) + " tries");
    return false;
}

TPackageFetchResult TPackageFetch::BadPieceEnd(TPackageFetchResult result, const std::exception_ptr& error,
                                               const TFetchTrace& trace) {
    result.end = TFetchEnd::SignatureRefused;
    result.piecesRefused = true;
    result.signatureWhy = ErrorText(error, "");
    result.size = download_.Size();
    download_.Discard();
    trace.Failed(result.signatureWhy + "; not stored");
    return result;
}

TPackageFetchResult TPackageFetch::Refused(TPackageFetchResult result, const std::exception_ptr& error,
                                           const TFetchTrace& trace) {
    KeepOrDiscard(result);
    if (!error) {
        // A body that ended without a length it could be checked against, or an empty one, is no package.
        result.end = TFetchEnd::NotWhole;
        trace.Failed("not a whole package; the stored one stays");
        return result;
    }
    result.end = TFetchEnd::Failed;
    result.error = error;
    trace.Failed(ErrorText(error, ""));
    return result;
}

bool TPackageFetch::FetchPackageSignature(std::string& signature) {
    for (std::size_t asked = 0; asked < hosts_.Count(); ++asked) {
        pace_.Start(client_, 0);
        if (FetchSignature(client_, hosts_.Url(), signature, trace_)) return true;
        hosts_.Next(false);
    }
    return false;
}

void TPackageFetch::VerifyWholeBody(const std::string& signature) const {
    // Every byte matched a piece of the signed list as it arrived: the body is the signed one, and a second pass
    // over it would only cost the time of the download again. The signature is still checked for its key and name
    // before it is kept beside the package, and the upgrade checks it over the stored file in full.
    if (pieces_ && pieces_->Verified() == pieces_->List().Size && download_.Size() == pieces_->List().Size) {
        keys_.VerifyComment(signature, signedName_);
        return;
    }
    const platform::TMappedFile package(download_.PartialFile());
    keys_.Verify(package.Bytes(), signature, signedName_);
}

TPackageFetchResult TPackageFetch::Settle(TPackageFetchResult result, const TFetchTrace& trace) {
    result.size = download_.Size();
    result.total = download_.Total();
    std::string signature;
    if (keys_.Configured()) {
        if (!FetchPackageSignature(signature)) {
            // Not a refusal: the body stays, whole, and the next fetch asks only for the signature.
            result.end = TFetchEnd::SignatureMissing;
            result.signatureWhy = client_.Response().StatusLine;
            if (download_.Resumable()) download_.MarkWhole();
            KeepOrDiscard(result);
            trace.Failed(result.partialKept ? "whole, not yet verified: its signature could not be fetched"
                                            : "its signature could not be fetched; not kept");
            return result;
        }
        try {
            RunLongStep([&] { VerifyWholeBody(signature); });
        } catch (const trust::ESignatureError& e) {
            // Its rest would not mend it: not kept for a resume either.
            result.end = TFetchEnd::SignatureRefused;
            result.signatureWhy = e.what();
            download_.Discard();
            trace.Failed(std::string("its signature is refused: ") + e.what() + "; not stored");
            return result;
        }
    }
    // The line says ok only once the package is saved: a full disk is the download's failure too.
    try {
        RunLongStep([this] { download_.Promote(); });
        stored_ = result.size;
        if (!signature.empty())
            platform::ReplaceFileAtomically(TAppFiles::SignatureOf(file_), signature.data(), signature.size());
    } catch (const std::exception& e) {
        result.end = TFetchEnd::Failed;
        result.error = std::current_exception();
        trace.Failed(std::string("not saved: ") + e.what());
        return result;
    }
    result.signature = std::move(signature);
    result.end = TFetchEnd::Stored;
    trace.Taken();
    return result;
}

}  // namespace yeroup::app
