// Redirect addresses resolved by the client beside Python's urllib.parse.urljoin, run in the test over a generated
// table: what the client would dial is what the reference resolves, or the client refuses.
#include "http/IdURIReference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

#include "tests/support/ScratchFolder.h"

namespace yeroup::http {
namespace {

// Reads "base<TAB>reference" lines of hex and prints, for each, "-" (no http or https address) or the scheme,
// host, port, path and query of the result, each as "x" + hex.
const char* const kReferenceResolver = R"PY(
import sys, urllib.parse as up
def field(text):
    return "x" + text.encode("latin-1").hex()
for line in open(sys.argv[1]):
    base, reference = (bytes.fromhex(part).decode("latin-1") for part in line.rstrip("\n").split("\t"))
    try:
        url = up.urlsplit(up.urljoin(base, reference))
        port = url.port
        if url.scheme not in ("http", "https") or not url.hostname:
            print("-")
            continue
        if port is None:
            port = 443 if url.scheme == "https" else 80
        print(" ".join(field(x) for x in (url.scheme, url.hostname, str(port), url.path or "/", url.query)))
    except (ValueError, UnicodeError):
        print("-")
)PY";

std::string Hex(const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        out += kDigits[static_cast<unsigned char>(c) >> 4];
        out += kDigits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// What the client would dial, in the reference's terms; "-" when it refuses.
std::string ClientReading(const TIdURI& base, const std::string& reference) {
    try {
        const TIdURI target = ResolveReference(base, reference);
        const std::string query = target.Query.empty() ? std::string() : target.Query.substr(1);
        return target.Protocol + " " + target.Host + " " + target.Port + " " + target.DirPath + target.DocName + " " +
               query;
    } catch (const EIdURIReferenceRefused&) {
        return "-";
    }
}

std::vector<std::string> ReferenceReadings(const std::vector<std::pair<std::string, std::string>>& table) {
    test::ScratchFolder scratch;
    std::ostringstream input;
    for (const auto& [base, reference] : table) input << Hex(base) << '\t' << Hex(reference) << '\n';
    test::WriteFile(scratch.Path() / "table", input.str());
    test::WriteFile(scratch.Path() / "resolve.py", kReferenceResolver);
    const std::string command = "python3 " + (scratch / "resolve.py") + " " + (scratch / "table");
    FILE* out = ::popen(command.c_str(), "r");
    std::vector<std::string> readings;
    char line[65536];
    while (out && std::fgets(line, sizeof line, out)) {
        std::istringstream fields{std::string(line)};
        std::string reading;
        for (std::string field; fields >> field;) reading += (reading.empty() ? "" : " ") + FromHex(field.substr(1));
        readings.push_back(fields.str() == "-\n" ? "-" : reading);
    }
    if (out) ::pclose(out);
    return readings;
}

// Locations as servers and attackers write them: every scheme, authority, path and query form below combined.
std::vector<std::string> GeneratedLocations() {
    const std::vector<std::string> schemes = {"", "http:", "https:", "HTTPS:", "h%74tp:", "x_y:", "javascript:"};
    const std::vector<std::string> authorities = {"",
                                                  "//127.0.0.1:8080",
                                                  "//Other.Test",
                                                  "//u:p@other.test:81",
                                                  "//[::1]:8443",
                                                  "//[::1]",
                                                  "//a@b@other.test",
                                                  "//other.test:0",
                                                  "//other.test:65536",
                                                  "//other.test:",
                                                  "//%31.0.0.1",
                                                  "//[zz]:1",
                                                  "//other.test:8o"};
    const std::vector<std::string> paths = {"",
                                            "/",
                                            "g",
                                            "../g",
                                            "./c/../d",
                                            "/x/../../y",
                                            "a//b",
                                            ".",
                                            "..",
                                            "g;x",
                                            "/p/http://127.0.0.1:9/f",
                                            "h%74tp://127.0.0.1/g",
                                            "/a b",
                                            "%2e%2e/g"};
    const std::vector<std::string> queries = {"", "?", "?u=http://127.0.0.1:9/h", "?a=b#frag", "#only"};
    std::vector<std::string> locations;
    for (const auto& scheme : schemes)
        for (const auto& authority : authorities)
            for (const auto& path : paths)
                for (const auto& query : queries) {
                    // A path after an authority begins with "/" in any address that has both.
                    const std::string joined =
                        !authority.empty() && !path.empty() && path.front() != '/' ? "/" + path : path;
                    locations.push_back(scheme + authority + joined + query);
                }
    for (const std::string odd : {"/a\\b", "\\\\other.test/x", "/x\ty", " /lead", "/trail ", "/\n", "//other.test\\@x"})
        locations.push_back(odd);
    return locations;
}

TEST(IdURIReference, ResolvesAsPythonsUrljoinOrRefuses) {
    const std::vector<std::string> bases = {"https://update.test:8443/dir/page.htm?q=1", "http://[::1]:81/a/b/c"};
    const std::vector<std::string> locations = GeneratedLocations();
    std::vector<std::pair<std::string, std::string>> table;
    for (const auto& base : bases)
        for (const auto& location : locations) table.emplace_back(base, location);
    const std::vector<std::string> readings = ReferenceReadings(table);
    ASSERT_EQ(readings.size(), table.size()) << "python3 did not read the whole table";
    int refused = 0;
    int disagreements = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string client = ClientReading(TIdURI(table[i].first), table[i].second);
        if (client == "-") {
            ++refused;
            continue;
        }
        if (client != readings[i]) {
            ++disagreements;
            ADD_FAILURE() << "base " << table[i].first << ", Location [" << table[i].second << "]: client [" << client
                          << "], urljoin [" << readings[i] << "]";
        }
    }
    std::cout << table.size() << " Locations: " << table.size() - static_cast<std::size_t>(refused)
              << " resolved as urljoin does, " << refused << " refused, " << disagreements << " disagreements\n";
    EXPECT_GE(table.size(), 1000u);
}

// The forms that once took a plain-http address for something else: refused, or kept on the https origin.
TEST(IdURIReference, NoFormLeavesTheHttpsOrigin) {
    const TIdURI base("https://update.test:8443/dir/page.htm");
    for (const std::string location :
         {"h%74tp://127.0.0.1:9/e", "%68ttp://127.0.0.1:9/e", "1http://127.0.0.1:9/e", "x_y://127.0.0.1:9/e",
          "/go?u=http://127.0.0.1:9/h", "/p/http://127.0.0.1:9/f", "h%74tp://127.0.0.1/g", "HTTPS:127.0.0.1:9",
          "https:/127.0.0.1/x", "/\\127.0.0.1:9/x", "https:\\\\127.0.0.1:9"}) {
        SCOPED_TRACE(location);
        try {
            const TIdURI target = ResolveReference(base, location);
            EXPECT_EQ(target.Protocol, "https");
            EXPECT_EQ(target.Host, "update.test");
            EXPECT_EQ(target.Port, "8443");
        } catch (const EIdURIReferenceRefused&) {}
    }
    const TIdURI target = ResolveReference(base, "/go?u=http://127.0.0.1:9/h");
    EXPECT_EQ(target.DirPath + target.DocName + target.Query, "/go?u=http://127.0.0.1:9/h");
}

}  // namespace
}  // namespace yeroup::http
