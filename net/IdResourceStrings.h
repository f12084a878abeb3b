#pragma once
// The fixed texts of the connection and socket layer.

namespace yeroup::net {

inline constexpr const char* RSStatusResolving = "Resolving hostname %s.";
inline constexpr const char* RSStatusConnecting = "Connecting to %s.";
inline constexpr const char* RSStatusConnected = "Connected.";
inline constexpr const char* RSStatusDisconnecting = "Disconnecting.";
inline constexpr const char* RSStatusDisconnected = "Disconnected.";
inline constexpr const char* RSStatusText = "%s";

inline constexpr const char* RSStackError = "Socket Error # %d\r\n%s";
inline constexpr const char* RSWinsockInitializationError = "Winsock Initialization Error.";
inline constexpr const char* RSSetSizeExceeded = "Set Size Exceeded.";
inline constexpr const char* RSCannotAllocateSocket = "Cannot allocate socket.";
inline constexpr const char* RSInvalidServiceName = "%s is not a valid service.";

inline constexpr const char* RSCouldNotBindSocket = "Could not bind socket. Address and port are already in use.";
inline constexpr const char* RSInvalidPortRange = "Invalid Port Range (%d - %d)";
inline constexpr const char* RSCannotBindRange = "Can not bind in port range (%d - %d)";
inline constexpr const char* RSConnectTimeout = "Connect timed out.";
inline constexpr const char* RSStatusDisconnectedSocket = "Disconnected.";

inline constexpr const char* RSConnectionClosedGracefully = "Connection Closed Gracefully.";
inline constexpr const char* RSNotConnected = "Not Connected";
inline constexpr const char* RSAlreadyConnected = "Already connected.";
inline constexpr const char* RSReadTimeout = "Read Timeout";
inline constexpr const char* RSTimeLimitExceeded = "Time limit of %d ms exceeded.";
inline constexpr const char* RSReadLnMaxLineLengthExceeded = "Max line length exceeded.";
inline constexpr const char* RSNotEnoughDataInBuffer = "Not enough data in buffer.";
inline constexpr const char* RSNoDataToRead = "No data to read.";
inline constexpr const char* RSFileNotFound = "File \"%s\" not found";

}  // namespace yeroup::net
