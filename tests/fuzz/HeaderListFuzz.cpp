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
    } catch (const EConvertError&) {
    }

    // Each received line's value is written again under its name.
    TIdHeaderList written;
    written.FoldWidth = foldWidth;
    for (int i = 0; i < response.HeaderLines.Count(); ++i) {
        const std::string& line = response.HeaderLines[i];
        if (line.find_first_of("\r\n") != std::string::npos) continue;
        written.SetHeader("X-" + std::to_string(i), line);
    }
    for (int i = 0; i < written.Count(); ++i)
        if (written[i].empty()) std::abort();  // an empty line would end the header block
    return 0;
}
