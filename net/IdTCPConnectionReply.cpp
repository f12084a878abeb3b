// Numbered replies of line-based command protocols (the HTTP client does not use them).
#include <algorithm>
#include <charconv>

#include "net/IdRFCReply.h"
#include "net/IdTCPConnection.h"
#include "platform/text/AsciiText.h"

namespace yeroup::net {

std::string TIdRFCReply::JoinedText() const {
    std::string joined;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (i > 0) joined += "\r\n";
        joined += Text[i];
    }
    return joined;
}

std::string TIdTCPConnection::ReadNonEmptyLine(std::int32_t attempts) {
    std::string line;
    for (std::int32_t i = 0; i < attempts && line.empty(); ++i)
        line = platform::Trim(ReadLine("\n", TimeoutUseDefault, -1));
    return line;
}

std::int32_t TIdTCPConnection::ReadReply() {
    const std::string first = ReadNonEmptyLine(2147483647);
    std::vector<std::string> lines{first};
    if (first.size() > 3 && first[3] == '-') {
        const std::string last = first.substr(0, 3) + " ";
        for (;;) {
            const std::string line = ReadNonEmptyLine(2147483647);
            lines.push_back(line);
            if (line.size() < 4 || platform::SameText(line.substr(0, 4), last)) break;
        }
    }
    LastCmdResult.Clear();
    std::string code = platform::Trim(first.substr(0, 4));
    if (!code.empty() && code.back() == '-') code.pop_back();
    LastCmdResult.TextCode = code;
    std::int32_t number = 0;
    const auto [ptr, ec] = std::from_chars(code.data(), code.data() + code.size(), number);
    LastCmdResult.NumericCode = ec == std::errc() && ptr == code.data() + code.size() && !code.empty() ? number : 0;
    for (const std::string& line : lines)
        LastCmdResult.Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
    return LastCmdResult.NumericCode;
}

void TIdTCPConnection::RaiseReplyError() {
    throw EIdProtocolReplyError(LastCmdResult.NumericCode, LastCmdResult.JoinedText());
}

std::int32_t TIdTCPConnection::CheckReplyCode(std::int32_t code, const std::vector<std::int32_t>& allowed) {
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), code) == allowed.end()) RaiseReplyError();
    return code;
}

std::int32_t TIdTCPConnection::SendCommand(const std::string& text, const std::vector<std::int32_t>& allowed) {
    WriteLine(text);
    ReadReply();
    return CheckReplyCode(LastCmdResult.NumericCode, allowed);
}

}  // namespace yeroup::net
