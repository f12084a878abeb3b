#include "net/IdSocketList.h"

#include "net/IdException.h"
#include "net/IdResourceStrings.h"

namespace yeroup::net {

void TIdSocketList::Add(TIdStackSocketHandle socket) {
    if (count_ >= Id_SELECT_SET_SIZE) throw EIdStackSetSizeExceeded(RSSetSizeExceeded);
    slots_[static_cast<std::size_t>(count_++)] = socket;
}

void TIdSocketList::Remove(TIdStackSocketHandle socket) {
    for (std::int32_t i = 0; i < count_; ++i) {
        if (slots_[static_cast<std::size_t>(i)] == socket) {
            slots_[static_cast<std::size_t>(i)] = slots_[static_cast<std::size_t>(count_ - 1)];
            --count_;
            return;
        }
    }
}

TIdStackSocketHandle TIdSocketList::Item(std::int32_t index) const {
    if (index < 0 || index >= count_) throw EIdStackSetSizeExceeded(RSSetSizeExceeded);
    return slots_[static_cast<std::size_t>(index)];
}

}  // namespace yeroup::net
