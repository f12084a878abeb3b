#pragma once
// Fixed collation and case tables for the Turkish locale (code page 1254), whose dotted and dotless
// letter I the system's own case conversion does not handle.
#include <array>

namespace yeroup::zip {

const std::array<unsigned char, 256>& TurkishRankTable();
const std::array<unsigned char, 256>& TurkishUpperTable();
const std::array<unsigned char, 256>& TurkishLowerTable();

}  // namespace yeroup::zip
