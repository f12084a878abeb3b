#pragma once
// OpenSSL objects owned by std::unique_ptr.
#include <openssl/evp.h>

#include <memory>

namespace yeroup::app::trust {

struct TPKeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct TMdCtxFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using TPKey = std::unique_ptr<EVP_PKEY, TPKeyFree>;
using TMdContext = std::unique_ptr<EVP_MD_CTX, TMdCtxFree>;

}  // namespace yeroup::app::trust
