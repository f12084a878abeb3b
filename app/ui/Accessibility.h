#pragma once
// How the windows reach a screen reader beyond what Qt gives by itself: a top-level form is a window (not a
// filler inside the application, which left a screen reader taking the nearest panel for the window and
// dropping the focus changes in it), a panel is a panel named by its first visible caption (not a frame), and
// a page view's text is the page's plain text (without the document's internal frame markers).

namespace yeroup::app {

// Installs the interfaces once for the running application; every window and page view calls it before it can
// be queried.
void InstallAccessibleInterfaces();

}  // namespace yeroup::app
