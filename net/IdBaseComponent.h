#pragma once
// Root of the internet components: a component can watch another and is told when it is destroyed.
#include <vector>

namespace yeroup::net {

class TIdBaseComponent {
public:
    TIdBaseComponent() = default;
    virtual ~TIdBaseComponent();
    TIdBaseComponent(const TIdBaseComponent&) = delete;
    TIdBaseComponent& operator=(const TIdBaseComponent&) = delete;

    // watcher->Notification(this) runs when this component is destroyed.
    void FreeNotification(TIdBaseComponent* watcher);
    void RemoveFreeNotification(TIdBaseComponent* watcher);

protected:
    // Called on a watcher while a watched component is being destroyed.
    virtual void Notification(TIdBaseComponent* destroyed);

private:
    std::vector<TIdBaseComponent*> watchers_;  // they watch us
    std::vector<TIdBaseComponent*> watched_;   // we watch them
};

}  // namespace yeroup::net
