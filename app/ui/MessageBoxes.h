#pragma once
// Modal message boxes with the Windows style flags and answers, behind an interface so that tests can answer
// them and see what was asked. Texts are UTF-8; a "\r" in a text starts a new line.
#include <exception>
#include <string>

class QWidget;

namespace yeroup::app {

enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_ABORTRETRYIGNORE = 0x02,
    MB_ICONERROR = 0x10,
    MB_ICONWARNING = 0x30,
};

enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5 };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // owner may be null (a box without owner window); returns the button pressed.
    virtual int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) = 0;
};

class TQtMessageBoxes final : public IMessageBoxes {
public:
    int MessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned flags) override;
};

// The default error box for an error that escapes an event handler: the error's message with a full stop
// appended when it has none, the application title as caption, the error icon.
void ShowDefaultErrorBox(IMessageBoxes& boxes, const std::string& message);

// The default error box for error, its message in the user's language where the program knows it.
void ShowDefaultErrorBox(IMessageBoxes& boxes, const std::exception& error);

// Runs an event handler; an exception that escapes it is shown in the default error box and the program goes on.
template <typename Handler>
void RunHandler(IMessageBoxes& boxes, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowDefaultErrorBox(boxes, e);
    }
}

}  // namespace yeroup::app
