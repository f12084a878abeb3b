#include "app/core/CatalogueCheck.h"

#include <string>
#include <vector>

#include "platform/text/AsciiText.h"
#include "platform/text/CodePages.h"

namespace yeroup::app {

namespace {

// The section name of a header line "[name]"; the closing bracket may not be the trail byte of a
// double-byte character.
std::string SectionName(std::string_view line) {
    std::size_t i = 1;
    for (; i < line.size(); ++i) {
        if (platform::IsAnsiLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) {
            ++i;
            continue;
        }
        if (line[i] == ']') break;
    }
    return platform::Trim(line.substr(1, i - 1));
}

}  // namespace

bool ReadsAsCatalogue(std::string_view body) {
    std::vector<std::string> seen;  // only the first section of a name is read
    bool counting = false;
    while (!body.empty()) {
        const std::size_t end = body.find('\n');
        const std::string line = platform::Trim(body.substr(0, end));
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const std::string name = SectionName(line);
            counting = !name.empty();
            for (const std::string& earlier : seen) counting = counting && !platform::SameText(earlier, name);
            seen.push_back(name);
            continue;
        }
        const std::size_t eq = line.find('=');
        if (counting && eq != std::string::npos && !platform::Trim(line.substr(0, eq)).empty()) return true;
    }
    return false;
}

}  // namespace yeroup::app
