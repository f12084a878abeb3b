#pragma once
// The program's own texts (UTF-8). "\r" is the carriage return that separates the sentences of a message.
namespace yeroup::app::texts {

inline constexpr const char* kApplicationTitle = "YEROUP";

// Single-instance guard.
inline constexpr const char* kAlreadyRunning =
    "Another instance of this program is already running.\rPlease wait for the other instance to finish and then "
    "try again.";
inline constexpr const char* kAlreadyRunningCaption = "Tavik MP3 LiveUpdate";

// Splash window.
inline constexpr const char* kSplashCaption = "Tavik MP3 LiveUpdate";
inline constexpr const char* kVersionPrefix = "版本:";
inline constexpr const char* kInstallPlayerFirst =
    "请首先安装SigmaTel MSCN Audio Player软件，然后再运行本程序。\r单击[确定]立刻开始安装，[取消]为退出本程序。";
inline constexpr const char* kHintCaption = "YERO MP3 LiveUpdate 提示";
inline constexpr const char* kSetupProgram = "SigmaTelSetup.exe";
inline constexpr const char* kCatalogueKept =
    "无法从服务器下载最新的配置文件，继续使用上次更新的配置文件\r请检查网络是否连接正常！";
inline constexpr const char* kCatalogueKeptCaption = "下载配置文件时出错!";
inline constexpr const char* kNoCatalogue =
    "从服务器下载配置文件时出错,未能从本地找到可用的配置文件。\r请检查网络是否连接正常！单击[确定]退出本程序。";
inline constexpr const char* kNoCatalogueCaption = "无可用的配置文件!";
// The same two cases when the update host answered but could not be trusted: its catalogue failed the signature
// check (changed, replayed, expired), or its certificate was refused. Checking the network would not help.
inline constexpr const char* kCatalogueNotVerifiedKept =
    "服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），继续使用上次更新的配置文件。\r请稍后重试，或与固件提供者联系。";
inline constexpr const char* kCatalogueNotVerifiedNone =
    "服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），未能从本地找到可用的配置文件。\r请稍后重试，或与固件提供者联系。单击[确定]退出本程序。";
inline constexpr const char* kHostNotTrustedCatalogueKept =
    "更新服务器的证书不受信任，无法确认服务器的身份，继续使用上次更新的配置文件。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。";
inline constexpr const char* kHostNotTrustedNoCatalogue =
    "更新服务器的证书不受信任，无法确认服务器的身份，未能从本地找到可用的配置文件。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。单击[确定]退出本程序。";

// Registry entry of the player software.
inline constexpr const char* kPlayerKey = "\\software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\\";
inline constexpr const char* kInstallFolderValue = "Install Folder";

// Main window.
inline constexpr const char* kMainCaptionLayout = "YERO MP3 LiveUpdate";
inline constexpr const char* kMainCaptionPrefix = "YERO MP3 LiveUpdate 2005 Builb ";
inline constexpr const char* kChoose = "请选择MP3号型和固件版本";
inline constexpr const char* kModel = "机型";
inline constexpr const char* kFirmware = "固件";
inline constexpr const char* kDownload = "下载";
inline constexpr const char* kDownloadAgain = "重新下载";
inline constexpr const char* kCancelDownload = "取消下载";
inline constexpr const char* kDownloading = "下载中:";
inline constexpr const char* kPackageSize = "固件大小:";
inline constexpr const char* kDownloaded = "已下载:";
inline constexpr const char* kAverageSpeed = "平均速度:";
inline constexpr const char* kFirmwareInfo = "固件信息";
inline constexpr const char* kUpgradeHint = "单击[固件升级]按钮，开始更新MP3播放器中的固件";
inline constexpr const char* kUpgrade = "固件升级";
inline constexpr const char* kPackageReadyOf = " 的 ";
inline constexpr const char* kPackageReady = " 固件包已经准备好！";
inline constexpr const char* kMemoLines[] = {
    "本工具适用于YERO MP3播放器。",
    "它能够帮助你完成从Internet下载固件包到本地，更新MP3播放器固件的工作。",
    "",
    "更新MP3固件可以提高MP3的操作性能和扩展功能，也可在MP3播放器出现软件故障时",
    "使用此工具更新MP3固件来修复MP3。",
};

// Selection file.
inline constexpr const char* kSelectionSection = "Main02";
inline constexpr const char* kModelKey = "ComboBox1";
inline constexpr const char* kFirmwareKey = "ComboBox2";

// Download.
inline constexpr const char* kDownloadFailed =
    "从服务器下载固件包时出错。\r请检查网络设置是否连接正常！单击[确定]退出本程序。";
inline constexpr const char* kDownloadFailedCaption = "Tavik MP3 LiveUpdate 提示";
inline constexpr const char* kKilobytes = " KB";
// With a trusted key configured: a package whose signature is missing or does not check is not stored.
inline constexpr const char* kPackageNotVerified =
    "固件包未能通过数字签名验证，没有保存。\r请稍后重试，或与固件提供者联系。";
// An https update host whose certificate was refused: nothing was downloaded.
inline constexpr const char* kHostNotTrustedDownload =
    "更新服务器的证书不受信任，无法确认服务器的身份，固件包没有下载。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。";

// Upgrade.
// With a trusted key configured: the stored package no longer matches its signature.
inline constexpr const char* kStoredPackageNotVerified =
    "本地的固件包未能通过数字签名验证，可能已被更改，不能用于升级。\r请重新下载固件包后再试。";
inline constexpr const char* kConnectPlayer = "使用USB连接线将MP3播放器与电脑连接。\r连接好后单击[确定]-[开始]按钮。";
inline constexpr const char* kConnectPlayerCaption = "将您的MP3播放器与电脑连接";
inline constexpr const char* kUpdaterProgram = "stupdaterapp.exe";
inline constexpr const char* kUpdaterParameters = "-s";
inline constexpr const char* kNoInstallFolder =
    "未能找到SigmaTel MSCN Audio Player软件的安装文件夹，无法升级固件。\r请重新安装SigmaTel MSCN Audio Player软件后再试。";

// Starting the player software's programs on this machine (the setup program and the updater; the path or folder
// concerned follows the text on a line of its own).
inline constexpr const char* kSetupNotStarted =
    "无法启动安装程序SigmaTelSetup.exe。\r请把它放到下面的文件夹中，或者先手动安装SigmaTel MSCN Audio Player软件，再运行本程序：";
inline constexpr const char* kUpdaterNotStarted =
    "无法启动固件升级程序。\r请检查SigmaTel MSCN Audio Player软件是否完整安装，然后再试：";
inline constexpr const char* kNoWine =
    "SigmaTel MSCN Audio Player的程序是Windows程序，需要Wine才能运行，但本机没有找到Wine。\r请先安装Wine（例如运行 sudo apt install wine），然后再试。";

// Upgrade that did not take place (the install folder is left as it was).
inline constexpr const char* kPackageDamaged =
    "固件包已损坏或不完整，固件升级没有进行，播放器软件的文件保持不变。\r损坏的固件包已删除，请单击[下载]按钮重新下载。";
inline constexpr const char* kCannotWriteBefore = "无法写入文件“";
inline constexpr const char* kCannotWriteBecause = "”：";
inline constexpr const char* kCannotWriteAfter = "。\r固件升级没有进行，播放器软件的文件保持不变。";
inline constexpr const char* kReasonDiskFull = "磁盘空间不足";
inline constexpr const char* kReasonNoPermission = "没有写入权限";
inline constexpr const char* kReasonInUse = "文件正被其他程序使用";
inline constexpr const char* kReasonNameTaken = "已有同名的文件夹或文件";

// What the main window says beyond its layout: the page view while a page is fetched, a download of unknown
// size, and the names screen readers read for its controls.
inline constexpr const char* kPageLoading = "正在从服务器读取固件说明，请稍候……";
// The catalogue in use was signed long ago (or is past its signed expiry): shown in the top panel instead of the
// prompt to choose, with the day of signing in its tool tip. %1 is the number of days, %2 the date.
inline constexpr const char* kCatalogueOld = "固件列表已有%1天未更新";
inline constexpr const char* kCatalogueOldTip = "固件列表（配置文件）签发于%2，已有%1天未更新，可能不是最新的。";
inline constexpr const char* kUnknownSize = "未知";
inline constexpr const char* kModelListName = "机型";
inline constexpr const char* kFirmwareListName = "固件版本";
inline constexpr const char* kHomePageName = "YERO MP3 LiveUpdate 主页";
inline constexpr const char* kFirmwarePageName = "固件说明";
inline constexpr const char* kProgressName = "下载进度";
inline constexpr const char* kInformationName = "本工具说明";

}  // namespace yeroup::app::texts
