#pragma once
// The firmware pages and the home page are filled in from templates: "{{name}}" stands for a value.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::tools {

// A firmware page for when the source gives no template of its own.
extern const char* const kBuiltInPageTemplate;

std::string HtmlEscape(std::string_view text);

// text with each "{{name}}" replaced by html.at(name) (HTML already); a name html does not hold is added to
// problems, naming the template (source).
std::string FillTemplate(std::string_view text, const std::map<std::string, std::string>& html,
                         const std::string& source, std::vector<std::string>& problems);

}  // namespace yeroup::tools
