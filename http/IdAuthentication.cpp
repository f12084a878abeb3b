#include "http/IdAuthentication.h"

namespace yeroup::http {

TIdAuthentication::TIdAuthentication() {
    // Folding would split long credentials and lose their spacing when read back.
    Values.Fold = false;
}

void TIdAuthentication::StorePassword(const std::string& password) { Values.SetHeader("Password", password); }

void TIdAuthentication::StoreUsername(const std::string& username) { Values.SetHeader("Username", username); }

}  // namespace yeroup::http
