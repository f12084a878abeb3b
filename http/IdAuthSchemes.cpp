#include "http/IdAuthSchemes.h"

#include <mutex>
#include <stdexcept>
#include <vector>

#include "http/IdBasicAuthentication.h"
#include "http/IdTextUtils.h"

namespace yeroup::http {

namespace {

struct TAuthListObject {
    std::string Name;
    TIdAuthenticationClass Auth;
};

struct Registry {
    std::mutex Lock;
    std::vector<TAuthListObject> Entries{{"Basic", TIdBasicAuthentication::Class()}};

    const TAuthListObject* Find(const std::string& name) const {
        for (const auto& entry : Entries)
            if (SameText(entry.Name, name)) return &entry;
        return nullptr;
    }
};

Registry& Schemes() {
    static Registry registry;
    return registry;
}

}  // namespace

void RegisterAuthScheme(const std::string& name, TIdAuthenticationClass authClass) {
    if (authClass == nullptr) throw std::invalid_argument("No authentication class given for " + name);
    Registry& registry = Schemes();
    std::lock_guard<std::mutex> guard(registry.Lock);
    if (const TAuthListObject* existing = registry.Find(name))
        throw EIdAlreadyRegisteredAuthenticationMethod(
            "This authentication method is already registered with class name " +
            std::string(existing->Auth->ClassName) + ".");
    registry.Entries.push_back({name, authClass});
}

TIdAuthenticationClass FindAuthScheme(const std::string& name) {
    Registry& registry = Schemes();
    std::lock_guard<std::mutex> guard(registry.Lock);
    const TAuthListObject* entry = registry.Find(name);
    return entry ? entry->Auth : nullptr;
}

}  // namespace yeroup::http
