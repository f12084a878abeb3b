#include "app/download/SignedFetch.h"

#include <fstream>
#include <stdexcept>

#include "app/core/AppFiles.h"
#include "app/core/Limits.h"
#include "app/download/FetchTrace.h"
#include "platform/scope/ScopedValue.h"

namespace yeroup::app {

bool FetchBounded(http::TIdHTTP& client, const std::string& url, std::int64_t maxBytes, std::string& text,
                  const TTrace& trace) {
    // The window's progress display is not told about this small extra transfer.
    const platform::ScopedValue<net::TWorkBeginEvent> begin(client.OnWorkBegin);
    const platform::ScopedValue<net::TWorkEvent> work(client.OnWork);
    const platform::ScopedValue<net::TWorkEndEvent> end(client.OnWorkEnd, nullptr);
    platform::TMemoryStream stream;
    // Checked as the body arrives, whatever its framing (one span per chunk), so a host cannot fill the memory.
    const auto tooLarge = [maxBytes](std::int64_t count) {
        if (count > maxBytes) throw std::length_error("longer than such a file can be");
    };
    client.OnWorkBegin = [&](net::TIdComponent*, net::TWorkMode, std::int32_t countMax) { tooLarge(countMax); };
    client.OnWork = [&](net::TIdComponent*, net::TWorkMode, std::int32_t) { tooLarge(stream.Position()); };
    const TFetchTrace traced(trace, client, url, stream);
    try {
        client.Get(url, stream);
    } catch (const std::exception& e) {
        traced.Failed(e.what());
        return false;
    }
    traced.Taken();
    text.assign(StreamBytes(stream));
    return true;
}

bool FetchSignature(http::TIdHTTP& client, const std::string& url, std::string& signature, const TTrace& trace) {
    return FetchBounded(client, TAppFiles::SignatureOf(url), limits::kMaxSignatureFileBytes, signature, trace);
}

std::string ReadSignatureFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(limits::kMaxSignatureFileBytes) + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace yeroup::app
