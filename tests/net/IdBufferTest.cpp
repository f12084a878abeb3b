#include "net/IdBuffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "net/IdException.h"
#include "tests/support/ExpectThrow.h"

namespace yeroup::net {
namespace {

TEST(IdManagedBuffer, ConsumingMovesAnOffsetAndPacksOnlyAtTheThreshold) {
    TIdManagedBuffer buffer;
    std::vector<std::int32_t> removed;
    buffer.OnBytesRemoved = [&](TIdSimpleBuffer*, std::int32_t n) { removed.push_back(n); };
    const std::string data(40000, 'a');
    buffer.Append(data.data(), 40000);
    buffer.Append("tail", 4);
    buffer.DropFront(30000);
    EXPECT_EQ(buffer.Offset(), 30000);
    EXPECT_EQ(buffer.Size(), 10004);
    EXPECT_EQ(std::string(buffer.Memory() + 10000, 4), "tail");
    buffer.DropFront(2768);  // reaches 32768 consumed: packed
    EXPECT_EQ(buffer.Offset(), 0);
    EXPECT_EQ(buffer.Size(), 7236);
    EXPECT_EQ(buffer.TakeFront(7232), std::string(7232, 'a'));
    EXPECT_EQ(buffer.TakeFront(4), "tail");
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_EQ(removed, (std::vector<std::int32_t>{30000, 2768, 7232, 4}));
}

TEST(IdManagedBuffer, RemovingMoreThanHeldRaisesAndDropAllIsSilent) {
    TIdManagedBuffer buffer;
    int notifications = 0;
    buffer.OnBytesRemoved = [&](TIdSimpleBuffer*, std::int32_t) { ++notifications; };
    buffer.Append("abc", 3);
    EXPECT_THROW_TEXT(buffer.TakeFront(4), EIdNotEnoughDataInBuffer, "Not enough data in buffer.");
    EXPECT_EQ(buffer.Size(), 3);
    buffer.DropAll();
    EXPECT_EQ(buffer.Size(), 0);
    EXPECT_EQ(notifications, 0);
}

TEST(IdSimpleBuffer, DropFrontMovesTheRestToTheFront) {
    TIdSimpleBuffer buffer;
    buffer.Append("hello world", 11);
    buffer.DropFront(6);
    EXPECT_EQ(std::string(buffer.Memory(), static_cast<std::size_t>(buffer.Size())), "world");
    char* tail = buffer.Reserve(3);
    tail[0] = '!';
    buffer.Commit(1);
    EXPECT_EQ(buffer.TakeFront(6), "world!");
}

}  // namespace
}  // namespace yeroup::net
