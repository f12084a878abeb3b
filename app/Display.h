#pragma once
// Opening the display. Qt ends the program with an abort and its own message when it cannot reach a display;
// a user who started the program from a terminal without one gets instead a message naming DISPLAY and
// WAYLAND_DISPLAY, and status 1.
#include <QApplication>
#include <QString>
#include <memory>
#include <optional>

namespace yeroup::app {

inline constexpr int kNoDisplayStatus = 1;

// The message (in the user's language) when the window system Qt will use needs a display and the environment
// names none; nothing when one is named or the platform needs none (QT_QPA_PLATFORM=offscreen and the like).
std::optional<QString> NoDisplayMessage();

// Creates the application. When the display named cannot be reached, prints unreachableMessage to the standard
// error and ends the program with kNoDisplayStatus.
std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv, const QString& unreachableMessage);

// The message for a display that is named but cannot be reached, in the user's language.
QString UnreachableDisplayMessage();

}  // namespace yeroup::app
