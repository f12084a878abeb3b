#include "tests/http/support/ProxyServer.h"

#include <fstream>
#include <sstream>

#include "tests/support/LoopbackSocket.h"

namespace yeroup::test {

TinyProxyServer::TinyProxyServer(const std::string& user, const std::string& password, bool ipv6) {
    port_ = FreeLoopbackPort();
    const std::string dir = scratch_.Path().string();
    std::ofstream conf(scratch_.Path() / "tinyproxy.conf");
    listensOnIpv6Only_ = ipv6;
    conf << "Port " << port_ << (ipv6 ? "\nListen ::1\nAllow ::1" : "\nListen 127.0.0.1\nAllow 127.0.0.1")
         << "\nTimeout 30\nMaxClients 32\n"
         << "LogFile \"" << dir << "/tinyproxy.log\"\nLogLevel Connect\nPidFile \"" << dir << "/tinyproxy.pid\"\n";
    if (!user.empty()) conf << "BasicAuth " << user << " " << password << "\n";
    conf.close();
    // As root it would switch to nobody, who may not write the log in the scratch folder.
    std::filesystem::permissions(scratch_.Path(), std::filesystem::perms::all);
    Launch({"tinyproxy", "-d", "-c", dir + "/tinyproxy.conf"});
}

std::string TinyProxyServer::ProxyUrl(const std::string& user, const std::string& password) const {
    const std::string credentials = user.empty() ? "" : user + ":" + password + "@";
    return "http://" + credentials + "127.0.0.1:" + std::to_string(port_);
}

std::string TinyProxyServer::Log() const {
    std::ifstream in(scratch_.Path() / "tinyproxy.log");
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace yeroup::test
