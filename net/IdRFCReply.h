#pragma once
// A numbered reply of a line-based command protocol ("250-..." continuation lines, "250 ..." last).
#include <cstdint>
#include <string>
#include <vector>

#include "net/IdException.h"

namespace yeroup::net {

struct TIdRFCReply {
    std::int32_t NumericCode = 0;  // 0 when the text code is not a number
    std::string TextCode;
    std::vector<std::string> Text;

    void Clear() { *this = TIdRFCReply(); }
    // Each line's text from its 5th character on, joined by CR LF.
    std::string JoinedText() const;
};

class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(std::int32_t code, const std::string& message) : EIdException(message), code_(code) {}
    std::int32_t ReplyErrorCode() const { return code_; }

private:
    std::int32_t code_;
};

}  // namespace yeroup::net
