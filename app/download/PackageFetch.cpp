#include "app/download/PackageFetch.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/core/AppFiles.h"
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

TPackageFetch::TPackageFetch(http::TIdHTTP& client, std::string url, std::string file, const trust::TTrustedKeys& keys,
                             std::string signedName, const TTrace& trace, TPackageFetchLimits limits)
    : Wait(SleepFor),
      RunLongStep(RunInPlace),
      client_(client),
      url_(std::move(url)),
      file_(std::move(file)),
      keys_(keys),
      signedName_(std::move(signedName)),
      trace_(trace),
      limits_(limits),
      download_(file_, url_, limits.maxLength) {}

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

bool TPackageFetch::TryBody(std::exception_ptr& error) {
    error = nullptr;
    try {
        download_.Get(client_);
    } catch (const std::exception& e) {
        error = std::current_exception();
        return !IsCut(e);
    }
    // A body short of its announced length is a cut; one without a length cannot be told cut from whole.
    return download_.Whole() || download_.Total() <= 0;
}

void TPackageFetch::KeepOrDiscard(TPackageFetchResult& result) {
    result.size = download_.Size();
    result.total = download_.Total();
    // What cannot be resumed is not kept; what is not a regular file (a planted link) is not touched.
    result.partialKept = download_.Resumable() && result.size > 0;
    if (!result.partialKept && result.size > 0) download_.Discard();
}

TPackageFetchResult TPackageFetch::Run() {
    TFetchTrace trace(trace_, client_, url_, [this] { return stored_ >= 0 ? stored_ : download_.Size(); });
    // The body goes to the disk as it arrives: bounded by the package's own limit, not by what memory could hold.
    const platform::ScopedValue<std::int64_t> bodyBound(client_.MaxBodySize, limits_.maxLength);
    const platform::ScopedValue<std::int32_t> callBound(client_.CallTimeout);
    deadline_ = Clock::now() + std::chrono::milliseconds(limits_.deadlineMs);
    TPackageFetchResult result;
    for (int fruitless = 0;;) {
        ++result.tries;
        if (limits_.deadlineMs > 0)
            client_.CallTimeout = static_cast<std::int32_t>(std::max<std::int64_t>(RemainingMs(), 1));
        std::exception_ptr error;
        const bool ended = TryBody(error);
        trace.Settle();
        if (Cancelled && Cancelled()) return CancelledEnd(std::move(result), trace);
        if (ended && !error && download_.Whole()) return Settle(std::move(result), trace);
        if (ended) return Refused(std::move(result), error, trace);
        // A cut: a try that brought bytes does not count against the limit.
        fruitless = download_.Size() > download_.Offset() ? 0 : fruitless + 1;
        if (!ResumeAfterCut(result, error, fruitless, trace)) return result;
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
                                   const TFetchTrace& trace) {
    const std::int32_t pause = PauseBefore(fruitless);
    const bool spent =
        limits_.retries == 0 || fruitless > limits_.retries || (limits_.deadlineMs > 0 && RemainingMs() <= pause);
    if (!spent && OnResume) {
        try {
            if (error) std::rethrow_exception(error);
            OnResume(result.tries + 1, nullptr);
        } catch (const std::exception& e) {
            OnResume(result.tries + 1, &e);
        }
    }
    if (!spent && Wait(pause)) return true;
    result.end = spent ? TFetchEnd::Cut : TFetchEnd::Cancelled;
    result.error = error;
    KeepOrDiscard(result);
    trace.Failed(std::string(result.partialKept ? "cut; the partial package is kept to be resumed" : "cut") +
                 " after " + std::to_string(result.tries) + " tries");
    return false;
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
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        trace.Failed(e.what());
    }
    return result;
}

TPackageFetchResult TPackageFetch::Settle(TPackageFetchResult result, const TFetchTrace& trace) {
    result.size = download_.Size();
    result.total = download_.Total();
    std::string signature;
    if (keys_.Configured()) {
        if (!FetchSignature(client_, url_, signature, trace_)) {
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
            RunLongStep([&] {
                const platform::TMappedFile package(download_.PartialFile());
                keys_.Verify(package.Bytes(), signature, signedName_);
            });
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
