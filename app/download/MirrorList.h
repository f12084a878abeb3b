#pragma once
// The vendor's mirrors, listed and signed beside the catalogue: hosts that serve the update host's files under the
// same paths. The catalogue still comes from the host the user set; the list only adds hosts for the packages, whose
// signatures and piece lists make any host safe to use.
//
// The file, "mirrors.txt": one host a line, written as the update host setting is ("host[:port]",
// "http://host[:port]" or "https://host[:port]"), in the order to try them; blank lines and lines starting with
// "#" are skipped.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace yeroup::app {

class EMirrorListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why host cannot be a mirror (a path, credentials, a scheme other than http and https, blanks or control
// characters, an empty host), or empty when it can.
std::string MirrorHostFault(std::string_view host);

std::string MirrorListText(const std::vector<std::string>& hosts);
// Every host in the list, in order, at most kMaxMirrors and no more than kMaxMirrorListBytes of text. Raises
// EMirrorListError naming the first line at fault.
std::vector<std::string> ReadMirrorList(std::string_view text);

}  // namespace yeroup::app
