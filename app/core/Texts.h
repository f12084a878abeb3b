#pragma once
// The program's own texts (UTF-8). "\r" is the carriage return that separates the sentences of a message. A text
// a user reads is marked YEROUP_TR and translated where it is shown; "%1", "%2" stand for what is inserted there.
#include "platform/text/Translatable.h"

namespace yeroup::app::texts {

YEROUP_TR_CONTEXT(yeroup);

inline constexpr const char* kApplicationTitle = "YEROUP";

// Single-instance guard.
inline constexpr const char* kAlreadyRunning = YEROUP_TR(
    "Another instance of this program is already running.\rPlease wait for the other instance to finish and then "
    "try again.");
inline constexpr const char* kAlreadyRunningCaption = YEROUP_TR("Tavik MP3 LiveUpdate");

// Splash window, and the lines its picture carries below the program's name.
inline constexpr const char* kSplashCaption = YEROUP_TR("Tavik MP3 LiveUpdate");
inline constexpr const char* kSplashSubtitle = YEROUP_TR("MP3播放器固件在线升级");
inline constexpr const char* kSplashChecking = YEROUP_TR("正在检查, 请稍候...");
inline constexpr const char* kVersionPrefix = YEROUP_TR("版本:");
inline constexpr const char* kInstallPlayerFirst = YEROUP_TR(
    "请首先安装SigmaTel MSCN Audio Player软件，然后再运行本程序。\r单击[确定]立刻开始安装，[取消]为退出本程序。");
inline constexpr const char* kHintCaption = YEROUP_TR("YERO MP3 LiveUpdate 提示");
inline constexpr const char* kSetupProgram = "SigmaTelSetup.exe";
inline constexpr const char* kCatalogueKept =
    YEROUP_TR("无法从服务器下载最新的配置文件，继续使用上次更新的配置文件\r请检查网络是否连接正常！");
inline constexpr const char* kCatalogueKeptCaption = YEROUP_TR("下载配置文件时出错!");
inline constexpr const char* kNoCatalogue = YEROUP_TR(
    "从服务器下载配置文件时出错,未能从本地找到可用的配置文件。\r请检查网络是否连接正常！单击[确定]退出本程序。");
inline constexpr const char* kNoCatalogueCaption = YEROUP_TR("无可用的配置文件!");
// The same two cases when the update host answered but could not be trusted: its catalogue failed the signature
// check (changed, replayed, expired), or its certificate was refused. Checking the network would not help.
inline constexpr const char* kCatalogueNotVerifiedKept = YEROUP_TR(
    "服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），继续使用上次更新的配置文件。\r请稍后重试，或与固件提供者联系。");
inline constexpr const char* kCatalogueNotVerifiedNone = YEROUP_TR(
    "服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），未能从本地找到可用的配置文件。\r请稍后重试，或与固件提供者联系。单击[确定]退出本程序。");
// Added on a line of its own when the catalogue was signed later than this computer's clock allows: the clock,
// not the host, is what to check.
inline constexpr const char* kCatalogueSignedAhead =
    YEROUP_TR("服务器上的配置文件签名于%1（UTC），晚于这台电脑的时钟，请检查电脑的日期和时间是否正确。");
inline constexpr const char* kHostNotTrustedCatalogueKept = YEROUP_TR(
    "更新服务器的证书不受信任，无法确认服务器的身份，继续使用上次更新的配置文件。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。");
inline constexpr const char* kHostNotTrustedNoCatalogue = YEROUP_TR(
    "更新服务器的证书不受信任，无法确认服务器的身份，未能从本地找到可用的配置文件。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。单击[确定]退出本程序。");

// Registry entry of the player software.
inline constexpr const char* kPlayerKey = "\\software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params\\";
inline constexpr const char* kInstallFolderValue = "Install Folder";

// Main window.
inline constexpr const char* kMainCaptionLayout = YEROUP_TR("YERO MP3 LiveUpdate");
inline constexpr const char* kMainCaptionPrefix = YEROUP_TR("YERO MP3 LiveUpdate 2005 Builb ");
inline constexpr const char* kChoose = YEROUP_TR("请选择MP3号型和固件版本");
inline constexpr const char* kModel = YEROUP_TR("机型");
inline constexpr const char* kFirmware = YEROUP_TR("固件");
inline constexpr const char* kDownload = YEROUP_TR("下载");
inline constexpr const char* kDownloadAgain = YEROUP_TR("重新下载");
inline constexpr const char* kCancelDownload = YEROUP_TR("取消下载");
inline constexpr const char* kDownloading = YEROUP_TR("下载中:");
inline constexpr const char* kPackageSize = YEROUP_TR("固件大小:");
inline constexpr const char* kDownloaded = YEROUP_TR("已下载:");
inline constexpr const char* kAverageSpeed = YEROUP_TR("平均速度:");
inline constexpr const char* kFirmwareInfo = YEROUP_TR("固件信息");
inline constexpr const char* kUpgradeHint = YEROUP_TR("单击[固件升级]按钮，开始更新MP3播放器中的固件");
inline constexpr const char* kUpgrade = YEROUP_TR("固件升级");
// The model and the firmware.
inline constexpr const char* kPackageReady = YEROUP_TR("%1 的 %2 固件包已经准备好！");
inline constexpr const char* kMemoLines[] = {
    YEROUP_TR("本工具适用于YERO MP3播放器。"),
    YEROUP_TR("它能够帮助你完成从Internet下载固件包到本地，更新MP3播放器固件的工作。"),
    YEROUP_TR(""),
    YEROUP_TR("更新MP3固件可以提高MP3的操作性能和扩展功能，也可在MP3播放器出现软件故障时"),
    YEROUP_TR("使用此工具更新MP3固件来修复MP3。"),
};

// Selection file.
inline constexpr const char* kSelectionSection = "Main02";
inline constexpr const char* kModelKey = "ComboBox1";
inline constexpr const char* kFirmwareKey = "ComboBox2";

// Download.
inline constexpr const char* kDownloadFailed =
    YEROUP_TR("从服务器下载固件包时出错。\r请检查网络设置是否连接正常！单击[确定]退出本程序。");
inline constexpr const char* kDownloadFailedCaption = YEROUP_TR("Tavik MP3 LiveUpdate 提示");
inline constexpr const char* kKilobytes = " KB";
inline constexpr const char* kKilobytesPerSecond = " KB/s";
// With a trusted key configured: a package whose signature is missing or does not check is not stored.
inline constexpr const char* kPackageNotVerified =
    YEROUP_TR("固件包未能通过数字签名验证，没有保存。\r请稍后重试，或与固件提供者联系。");
// The package could not be written to the package store: the model, the firmware and the reason (kReasonDiskFull
// and its kin).
inline constexpr const char* kPackageNotSaved = YEROUP_TR("%1 的 %2 固件包无法保存：%3。");
// An https update host whose certificate was refused: nothing was downloaded.
inline constexpr const char* kHostNotTrustedDownload = YEROUP_TR(
    "更新服务器的证书不受信任，无法确认服务器的身份，固件包没有下载。\r请检查电脑的日期和时间是否正确，或与固件提供者联系。");

// A download cut by the network, resumed by itself: %1 is the try about to be made (2, 3, ...).
inline constexpr const char* kConnectionLostResuming = YEROUP_TR("连接中断，第%1次续传:");
// Under the progress bar: the host the download comes from now, the user's or a mirror; %1 is "http://host:port".
inline constexpr const char* kServingHost = YEROUP_TR("下载来源: %1");
// The resumes are spent; the partial is kept, so pressing the download button goes on from where it stopped.
inline constexpr const char* kDownloadCut =
    YEROUP_TR("下载因网络中断而停止，已下载的部分已保留。\r再次单击[下载]即可从中断处继续。");
// With a trusted key configured: the package came whole but its signature could not be fetched; it is kept, and
// the next press of the download button fetches only the signature.
inline constexpr const char* kSignatureNotFetched = YEROUP_TR(
    "固件包已完整下载，但无法获取它的数字签名，尚未验证，没有保存为固件包。\r请稍后再次单击[下载]，只需获取签名。");

// A resumed download: the captions say that the display goes on from the part already there and that the speed
// counts this run alone; they take the room of "下载中:" and "平均速度:", which the panel's fixed layout allows.
inline constexpr const char* kResuming = YEROUP_TR("续传中:");
inline constexpr const char* kSpeedThisRun = YEROUP_TR("本次速度:");

// The proxy the environment names (http_proxy, https_proxy) is why a fetch failed; %1 is the proxy's host:port.
inline constexpr const char* kProxyUnreachable =
    YEROUP_TR("无法连接代理服务器 %1。\r请检查环境变量 http_proxy、https_proxy、no_proxy 中的代理设置和网络连接。");
inline constexpr const char* kProxyRefused = YEROUP_TR(
    "代理服务器 %1 拒绝了请求（需要用户名和密码，或者用户名和密码不对）。\r请检查环境变量 http_proxy、https_proxy 中的用户名和密码。");
inline constexpr const char* kProxySettingUnusable =
    YEROUP_TR("环境变量 http_proxy 或 https_proxy 中的代理设置无法使用（只支持 http:// 代理）。\r请检查代理设置。");

// Upgrade.
// With a trusted key configured: the stored package no longer matches its signature.
inline constexpr const char* kStoredPackageNotVerified =
    YEROUP_TR("本地的固件包未能通过数字签名验证，可能已被更改，不能用于升级。\r请重新下载固件包后再试。");
inline constexpr const char* kConnectPlayer =
    YEROUP_TR("使用USB连接线将MP3播放器与电脑连接。\r连接好后单击[确定]-[开始]按钮。");
inline constexpr const char* kConnectPlayerCaption = YEROUP_TR("将您的MP3播放器与电脑连接");
inline constexpr const char* kUpdaterProgram = "stupdaterapp.exe";
inline constexpr const char* kUpdaterParameters = "-s";
inline constexpr const char* kNoInstallFolder = YEROUP_TR(
    "未能找到SigmaTel MSCN Audio Player软件的安装文件夹，无法升级固件。\r请重新安装SigmaTel MSCN Audio Player软件后再试。");

// Starting the player software's programs on this machine (the setup program and the updater; %1 is the path or
// folder concerned, on a line of its own).
inline constexpr const char* kSetupNotStarted = YEROUP_TR(
    "无法启动安装程序SigmaTelSetup.exe。\r请把它放到下面的文件夹中，或者先手动安装SigmaTel MSCN Audio Player软件，再运行本程序：\r%1");
inline constexpr const char* kUpdaterNotStarted =
    YEROUP_TR("无法启动固件升级程序。\r请检查SigmaTel MSCN Audio Player软件是否完整安装，然后再试：\r%1");
inline constexpr const char* kNoWine = YEROUP_TR(
    "SigmaTel MSCN Audio Player的程序是Windows程序，需要Wine才能运行，但本机没有找到Wine。\r请先安装Wine（例如运行 sudo apt install wine），然后再试。");

// Upgrade that did not take place (the install folder is left as it was).
inline constexpr const char* kPackageDamaged = YEROUP_TR(
    "固件包已损坏或不完整，固件升级没有进行，播放器软件的文件保持不变。\r损坏的固件包已删除，请单击[下载]按钮重新下载。");
// The file and the reason.
inline constexpr const char* kCannotWrite =
    YEROUP_TR("无法写入文件“%1”：%2。\r固件升级没有进行，播放器软件的文件保持不变。");
inline constexpr const char* kReasonDiskFull = YEROUP_TR("磁盘空间不足");
inline constexpr const char* kReasonNoPermission = YEROUP_TR("没有写入权限");
inline constexpr const char* kReasonInUse = YEROUP_TR("文件正被其他程序使用");
inline constexpr const char* kReasonNameTaken = YEROUP_TR("已有同名的文件夹或文件");

// An interrupted upgrade that could be neither finished nor rolled back: its journal or list of changes cannot be
// read or do not agree, or its files could not be put back. Nothing of it is touched, and no upgrade runs until
// it is readable again or removed. After the first sentence comes kUpgradeStateBackupAt with the backup's folder
// (or kUpgradeStateNoBackup), then kUpgradeStateHowTo.
inline constexpr const char* kUpgradeLeftAsItIs = YEROUP_TR(
    "上次的固件升级被中断了。它留下的记录无法读取，或与留下的文件不相符，本程序既不能完成也不能撤销这次升级。为了不丢失文件，播放器软件的文件、暂存文件夹和备份都保持原样。");
inline constexpr const char* kUpgradeRefusedUnsettled =
    YEROUP_TR("上次被中断的固件升级还没有处理完（它留下的记录无法读取），为了不丢失文件，现在不能进行新的固件升级。");
// The backup's folder.
inline constexpr const char* kUpgradeStateBackupAt = YEROUP_TR("\r被替换的原有文件备份在：%1");
inline constexpr const char* kUpgradeStateNoBackup = YEROUP_TR("\r这次升级还没有替换任何文件。");
inline constexpr const char* kUpgradeStateHowTo =
    YEROUP_TR("\r请检查播放器软件的文件，再按使用说明（man yeroup）删除这次升级留下的记录，之后才能再次升级。");

// A new upgrade while the updater the last one started still runs.
inline constexpr const char* kUpdaterStillRunning = YEROUP_TR("固件升级程序仍在运行。\r请等待它结束后再进行固件升级。");

// What the main window says beyond its layout: the page view while a page is fetched, a download of unknown
// size, and the names screen readers read for its controls.
inline constexpr const char* kPageLoading = YEROUP_TR("正在从服务器读取固件说明，请稍候……");
// The catalogue in use was signed long ago (or is past its signed expiry): shown in the top panel instead of the
// prompt to choose, with the day of signing in its tool tip. %1 is the number of days, %2 the date.
inline constexpr const char* kCatalogueOld = YEROUP_TR("固件列表已有%1天未更新");
inline constexpr const char* kCatalogueOldTip =
    YEROUP_TR("固件列表（配置文件）签发于%2，已有%1天未更新，可能不是最新的。");
// A page view that cannot show its page: the heading, then the file or address (%1).
inline constexpr const char* kPageNotShown = YEROUP_TR("无法显示该网页");
inline constexpr const char* kPageFileMissing = YEROUP_TR("找不到文件 %1");
inline constexpr const char* kPageUnreachable = YEROUP_TR("无法连接到 %1");
inline constexpr const char* kUnknownSize = YEROUP_TR("未知");
inline constexpr const char* kModelListName = YEROUP_TR("机型");
inline constexpr const char* kFirmwareListName = YEROUP_TR("固件版本");
inline constexpr const char* kHomePageName = YEROUP_TR("YERO MP3 LiveUpdate 主页");
inline constexpr const char* kFirmwarePageName = YEROUP_TR("固件说明");
inline constexpr const char* kProgressName = YEROUP_TR("下载进度");
inline constexpr const char* kInformationName = YEROUP_TR("本工具说明");

// The history window (Ctrl+H in the main window): its caption, the columns, the outcomes, and the line shown
// instead of the table when no upgrade was recorded (or the history cannot be read: %1 is why, in English).
inline constexpr const char* kHistoryCaption = YEROUP_TR("固件升级历史");
inline constexpr const char* kHistoryTableName = YEROUP_TR("固件升级记录");
inline constexpr const char* kHistoryTimeColumn = YEROUP_TR("时间 (UTC)");
inline constexpr const char* kHistoryBeforeColumn = YEROUP_TR("原固件");
inline constexpr const char* kHistoryAfterColumn = YEROUP_TR("新固件");
inline constexpr const char* kHistoryOutcomeColumn = YEROUP_TR("结果");
inline constexpr const char* kHistoryDigestColumn = YEROUP_TR("固件包 SHA-256");
inline constexpr const char* kHistoryReasonColumn = YEROUP_TR("原因");
inline constexpr const char* kHistoryUnderWay = YEROUP_TR("进行中");
inline constexpr const char* kHistoryFinished = YEROUP_TR("已完成");
inline constexpr const char* kHistoryRolledBack = YEROUP_TR("已撤销");
inline constexpr const char* kHistoryRefused = YEROUP_TR("未进行");
inline constexpr const char* kHistoryLeftForUser = YEROUP_TR("需要用户处理");
inline constexpr const char* kHistoryEmpty = YEROUP_TR("还没有固件升级记录。");
inline constexpr const char* kHistoryUnreadable = YEROUP_TR("无法读取固件升级历史：%1");
inline constexpr const char* kHistoryClose = YEROUP_TR("关闭(&C)");

// The command line. These are English in the code, so that a terminal without a language (the C locale) shows
// words it can display.
inline constexpr const char* kCommandLineAbout =
    YEROUP_TR("Downloads firmware for YERO MP3 players and starts the player software's updater.");
inline constexpr const char* kHelpOption = YEROUP_TR("Show this help and exit.");
inline constexpr const char* kVersionOption = YEROUP_TR("Show the program's version and exit.");
inline constexpr const char* kHistoryOption = YEROUP_TR("Print the history of upgrades and exit.");
// What --history prints: the columns, the line for an empty history, the count of damaged lines skipped.
inline constexpr const char* kHistoryTimeHeading = YEROUP_TR("TIME (UTC)");
inline constexpr const char* kHistoryOutcomeHeading = YEROUP_TR("OUTCOME");
inline constexpr const char* kHistoryModelHeading = YEROUP_TR("MODEL");
inline constexpr const char* kHistoryBeforeHeading = YEROUP_TR("BEFORE");
inline constexpr const char* kHistoryAfterHeading = YEROUP_TR("AFTER");
inline constexpr const char* kHistoryDigestHeading = YEROUP_TR("PACKAGE SHA-256");
inline constexpr const char* kHistoryReasonHeading = YEROUP_TR("REASON");
inline constexpr const char* kHistoryNone = YEROUP_TR("No upgrade has been recorded yet.");
inline constexpr const char* kHistoryDamagedLines = YEROUP_TR("%1 damaged line(s) of the history were skipped.");
// The file and why.
inline constexpr const char* kHistoryCannotRead = YEROUP_TR("cannot read the history of upgrades: %1");
// The file the trace goes to.
inline constexpr const char* kTraceOption =
    YEROUP_TR("Write the trace for support for this run (as YEROUP_TRACE=1 does), to %1.");
// The argument.
inline constexpr const char* kUnexpectedArgument = YEROUP_TR("unexpected argument '%1'");
inline constexpr const char* kTryHelp = YEROUP_TR("Try 'yeroup --help' for more information.");
// Started where no window can be opened.
inline constexpr const char* kNoDisplay = YEROUP_TR(
    "cannot open a window: no display is set. Start yeroup from a desktop session, or set DISPLAY (X11) or "
    "WAYLAND_DISPLAY (Wayland) to the display to use.");
// The display named.
inline constexpr const char* kDisplayUnreachable = YEROUP_TR(
    "cannot open a window on the display '%1'. Check that DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) names a "
    "display that is running and open to this user.");

}  // namespace yeroup::app::texts
