#include "net/IdBaseComponent.h"

#include <algorithm>

namespace yeroup::net {

namespace {
void Erase(std::vector<TIdBaseComponent*>& list, TIdBaseComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
}  // namespace

TIdBaseComponent::~TIdBaseComponent() {
    for (TIdBaseComponent* other : watched_) Erase(other->watchers_, this);
    const auto watchers = watchers_;
    for (TIdBaseComponent* watcher : watchers) {
        Erase(watcher->watched_, this);
        watcher->Notification(this);
    }
}

void TIdBaseComponent::FreeNotification(TIdBaseComponent* watcher) {
    if (!watcher || watcher == this) return;
    if (std::find(watchers_.begin(), watchers_.end(), watcher) != watchers_.end()) return;
    watchers_.push_back(watcher);
    watcher->watched_.push_back(this);
}

void TIdBaseComponent::RemoveFreeNotification(TIdBaseComponent* watcher) {
    if (!watcher) return;
    Erase(watchers_, watcher);
    Erase(watcher->watched_, this);
}

void TIdBaseComponent::Notification(TIdBaseComponent*) {}

}  // namespace yeroup::net
