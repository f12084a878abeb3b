#pragma once
// The window framework's own Simplified Chinese texts (the standard buttons read 确定, 取消, 中止, 重试, 忽略),
// so that the buttons match the messages that name them.
namespace yeroup::app {

// Installs the framework's Simplified Chinese translation into the running application, whatever the user's
// locale; false (and the framework's English texts stay) when the translation is not installed.
bool LoadFrameworkTranslation();

}  // namespace yeroup::app
