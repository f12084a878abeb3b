#include "tools/publish/PageTemplate.h"

namespace yeroup::tools {

const char* const kBuiltInPageTemplate = R"(<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset={{charset}}">
<title>{{model}} {{version}}</title>
</head>
<body>
<h3>{{title}}</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>{{model}}</td></tr>
<tr><td>固件版本</td><td>{{version}}</td></tr>
<tr><td>发布日期</td><td>{{date}}</td></tr>
<tr><td>固件包大小</td><td>{{size_kb}} KB</td></tr>
</table>
<p>{{summary}}</p>
<ul>
{{changes}}
</ul>
</body>
</html>
)";

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string FillTemplate(std::string_view text, const std::map<std::string, std::string>& html,
                         const std::string& source, std::vector<std::string>& problems) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t open = text.find("{{", at);
        const std::size_t close = open == std::string_view::npos ? open : text.find("}}", open + 2);
        if (close == std::string_view::npos) {
            out += text.substr(at);
            return out;
        }
        out += text.substr(at, open - at);
        const std::string name(text.substr(open + 2, close - open - 2));
        const auto value = html.find(name);
        if (value == html.end())
            problems.push_back(source + ": \"{{" + name + "}}\" is not a value a page can show");
        else
            out += value->second;
        at = close + 2;
    }
}

}  // namespace yeroup::tools
