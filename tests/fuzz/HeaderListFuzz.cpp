// Feeds arbitrary header blocks to the header list and the response record, and writes arbitrary
// values back through the folding writer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "http/IdConvertError.h"
#include "http/IdHeaderList.h"
#include "http/IdHeaderRecords.h"

using namespace yeroup::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int foldWidth = data[0];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    TIdResponseHeaderInfo response;
    response.HeaderLines.SetText(text);
    TStringList values;
    for (int i = 0; i < response.HeaderLines.Count(); ++i) {
        const std::string name = response.HeaderLines.LineName(i);
        response.HeaderLines.LineValue(i);
        response.HeaderLines.CollectValues(name, values);
    }
    try {
        response.ReadHeaders();
    } catch (const EConvertError&) {}

    // The text's NUL-separated pieces, line breaks and all, are written back as values.
    TIdHeaderList written;
    written.FoldWidth = foldWidth;
    std::string pieces = text;
    for (int i = 0; !pieces.empty(); ++i) {
        const std::size_t nul = pieces.find('\0');
        written.SetHeader("X-" + std::to_string(i % 4), pieces.substr(0, nul));
        pieces.erase(0, nul == std::string::npos ? nul : nul + 1);
    }
    // An empty line would end the header block; a bare line break would start a header of its own.
    for (int i = 0; i < written.Count(); ++i)
        if (written[i].empty() || written[i].find_first_of("\r\n") != std::string::npos) std::abort();
    return 0;
}
