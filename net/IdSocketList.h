#pragma once
// A fixed set of at most 64 sockets, the size a select set can hold.
#include <array>
#include <cstdint>

#include "net/IdStack.h"

namespace yeroup::net {

class TIdSocketList {
public:
    void Add(TIdStackSocketHandle socket);
    // Removes the first slot holding the socket; the last slot moves into its place.
    void Remove(TIdStackSocketHandle socket);
    std::int32_t Count() const { return count_; }
    TIdStackSocketHandle Item(std::int32_t index) const;

private:
    std::int32_t count_ = 0;
    std::array<TIdStackSocketHandle, Id_SELECT_SET_SIZE> slots_{};
};

}  // namespace yeroup::net
