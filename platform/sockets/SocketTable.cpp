#include "platform/sockets/SocketTable.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <unordered_map>

namespace yeroup::platform::winsock::detail {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<TSocket, std::shared_ptr<SocketEntry>> entries;
    TSocket next = 0x100;
};

Table& TheTable() {
    static Table* table = new Table;  // outlives every static destructor that may close a socket
    return *table;
}

}  // namespace

SocketEntry::~SocketEntry() {
    ::close(fd);
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

bool SocketEntry::ArmWake() {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    if (wakeFd_ < 0) wakeFd_ = ::eventfd(0, EFD_CLOEXEC);
    return wakeFd_ >= 0;
}

void SocketEntry::MarkClosed() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    if (wakeFd_ >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
    }
}

bool SocketEntry::Closed() {
    std::lock_guard lock(mutex_);
    return closed_;
}

int SocketEntry::WakeFd() {
    std::lock_guard lock(mutex_);
    return wakeFd_;
}

TSocket Insert(int fd) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    // Handles are multiples of 4 and never handed out twice.
    const TSocket handle = table.next;
    table.next += 4;
    if (table.next == kInvalidSocket || table.next < 0x100) table.next = 0x100;
    table.entries.emplace(handle, std::make_shared<SocketEntry>(fd));
    return handle;
}

std::shared_ptr<SocketEntry> Find(TSocket s) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto it = table.entries.find(s);
    return it == table.entries.end() ? nullptr : it->second;
}

std::shared_ptr<SocketEntry> Remove(TSocket s) {
    Table& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto it = table.entries.find(s);
    if (it == table.entries.end()) return nullptr;
    auto entry = std::move(it->second);
    table.entries.erase(it);
    return entry;
}

}  // namespace yeroup::platform::winsock::detail
