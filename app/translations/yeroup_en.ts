<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>archiver</name>
    <message>
        <source>%1 - Native error: %2</source>
        <translation>%1 - Native error: %2</translation>
    </message>
    <message>
        <source>%1. File processing error, possibly disk is full</source>
        <translation>%1. File processing error, possibly disk is full</translation>
    </message>
    <message>
        <source>Overwrite file &quot;%1&quot; with &quot;%2&quot;</source>
        <translation>Overwrite file &quot;%1&quot; with &quot;%2&quot;</translation>
    </message>
    <message>
        <source>Password for &quot;%1&quot;</source>
        <translation>Password for &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Enter password: </source>
        <translation>Enter password: </translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Index out of bounds</source>
        <translation>Index out of bounds</translation>
    </message>
    <message>
        <source>Invalid compression mode. Mode must be in [0-9] range</source>
        <translation>Invalid compression mode. Mode must be in [0-9] range</translation>
    </message>
    <message>
        <source>Unexpected nil pointer</source>
        <translation>Unexpected nil pointer</translation>
    </message>
    <message>
        <source>Invalid size or check sum of file or unsupported compression format</source>
        <translation>Invalid size or check sum of file or unsupported compression format</translation>
    </message>
    <message>
        <source>File name is blank. Specify appropriate file name</source>
        <translation>File name is blank. Specify appropriate file name</translation>
    </message>
    <message>
        <source>File &quot;%s&quot; not found</source>
        <translation>File &quot;%s&quot; not found</translation>
    </message>
    <message>
        <source>Archive is not open</source>
        <translation>Archive is not open</translation>
    </message>
    <message>
        <source>SFXStub property is not specified</source>
        <translation>SFXStub property is not specified</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%s&quot;</source>
        <translation>Cannot create file &quot;%s&quot;</translation>
    </message>
    <message>
        <source>Cannot create directory &quot;%s&quot;</source>
        <translation>Cannot create directory &quot;%s&quot;</translation>
    </message>
    <message>
        <source>Internal error. Update is not started</source>
        <translation>Internal error. Update is not started</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%s&quot;</source>
        <translation>Cannot open file &quot;%s&quot;</translation>
    </message>
    <message>
        <source>Cannot proceed when update is not ended. Preceding EndUpdate call is required.</source>
        <translation>Cannot proceed when update is not ended. Preceding EndUpdate call is required.</translation>
    </message>
    <message>
        <source>Cannot delete file &quot;%s&quot;</source>
        <translation>Cannot delete file &quot;%s&quot;</translation>
    </message>
    <message>
        <source>In-memory archive can be created only</source>
        <translation>In-memory archive can be created only</translation>
    </message>
    <message>
        <source>File is open in read-only mode</source>
        <translation>File is open in read-only mode</translation>
    </message>
    <message>
        <source>Invalid compressed size, rfs.size = %d, count = %d</source>
        <translation>Invalid compressed size, rfs.size = %d, count = %d</translation>
    </message>
    <message>
        <source>Invalid archive file.</source>
        <translation>Invalid archive file.</translation>
    </message>
    <message>
        <source>Cannot create output file. Probably file is locked by another process. FileName = &apos;%s&apos;.</source>
        <translation>Cannot create output file. Probably file is locked by another process. FileName = &apos;%s&apos;.</translation>
    </message>
    <message>
        <source>Archive is open. You should close it beore performing this operation.</source>
        <translation>Archive is open. You should close it beore performing this operation.</translation>
    </message>
    <message>
        <source>Unable to create directory</source>
        <translation>Unable to create directory</translation>
    </message>
    <message>
        <source>Cannot find Zip64 directory end record</source>
        <translation>Cannot find Zip64 directory end record</translation>
    </message>
    <message>
        <source>Cannot compress file &apos;%s&apos;. Zip64 mode is not enabled</source>
        <translation>Cannot compress file &apos;%s&apos;. Zip64 mode is not enabled</translation>
    </message>
    <message>
        <source>Cannot open archive file. Opening aborted or invalid file</source>
        <translation>Cannot open archive file. Opening aborted or invalid file</translation>
    </message>
    <message>
        <source>Write to stream error</source>
        <translation>Write to stream error</translation>
    </message>
    <message>
        <source>Cannot place SFX stub on volume. Volume size limit is too small</source>
        <translation>Cannot place SFX stub on volume. Volume size limit is too small</translation>
    </message>
    <message>
        <source>Archive is damaged. Open failed</source>
        <translation>Archive is damaged. Open failed</translation>
    </message>
    <message>
        <source>MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX</source>
        <translation>MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX</translation>
    </message>
    <message>
        <source>Archive already has SFX stub</source>
        <translation>Archive already has SFX stub</translation>
    </message>
    <message>
        <source>Multi-volume archive is not allowed for custom stream</source>
        <translation>Multi-volume archive is not allowed for custom stream</translation>
    </message>
    <message>
        <source>Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times</source>
        <translation>Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times</translation>
    </message>
    <message>
        <source>Deflate64 compression method is not supported</source>
        <translation>Deflate64 compression method is not supported</translation>
    </message>
    <message>
        <source>Unsafe file name &quot;%s&quot;: it would be written outside the destination folder</source>
        <translation>Unsafe file name &quot;%s&quot;: it would be written outside the destination folder</translation>
    </message>
    <message>
        <source>Archive is damaged: the data of &quot;%s&quot; is cut short</source>
        <translation>Archive is damaged: the data of &quot;%s&quot; is cut short</translation>
    </message>
    <message>
        <source>Archive is damaged: the data of &quot;%s&quot; overlaps another entry</source>
        <translation>Archive is damaged: the data of &quot;%s&quot; overlaps another entry</translation>
    </message>
    <message>
        <source>Archive is damaged: the local header of &quot;%s&quot; does not match its directory entry</source>
        <translation>Archive is damaged: the local header of &quot;%s&quot; does not match its directory entry</translation>
    </message>
    <message>
        <source>Compression method %s is not supported</source>
        <translation>Compression method %s is not supported</translation>
    </message>
    <message>
        <source>Archive has more entries than the limit of %s</source>
        <translation>Archive has more entries than the limit of %s</translation>
    </message>
    <message>
        <source>File name longer than the limit of %s bytes</source>
        <translation>File name longer than the limit of %s bytes</translation>
    </message>
    <message>
        <source>Archive would extract to more than the limit of %s bytes</source>
        <translation>Archive would extract to more than the limit of %s bytes</translation>
    </message>
    <message>
        <source>Archive is damaged: &quot;%s&quot; is both a file and a folder</source>
        <translation>Archive is damaged: &quot;%s&quot; is both a file and a folder</translation>
    </message>
</context>
<context>
    <name>files</name>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>Cannot create file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>No space left on device</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>File name too long</translation>
    </message>
</context>
<context>
    <name>yeroup</name>
    <message>
        <source>Another instance of this program is already running.<byte value="xd"/>Please wait for the other instance to finish and then try again.</source>
        <translation>Another instance of this program is already running.<byte value="xd"/>Please wait for the other instance to finish and then try again.</translation>
    </message>
    <message>
        <source>Tavik MP3 LiveUpdate</source>
        <translation>Tavik MP3 LiveUpdate</translation>
    </message>
    <message>
        <source>版本:</source>
        <translation>Ver. </translation>
    </message>
    <message>
        <source>请首先安装SigmaTel MSCN Audio Player软件，然后再运行本程序。<byte value="xd"/>单击[确定]立刻开始安装，[取消]为退出本程序。</source>
        <translation>Please install the SigmaTel MSCN Audio Player software first, then run this program again.<byte value="xd"/>Click [OK] to start the installation now, or [Cancel] to quit this program.</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 提示</source>
        <translation>YERO MP3 LiveUpdate Notice</translation>
    </message>
    <message>
        <source>无法从服务器下载最新的配置文件，继续使用上次更新的配置文件<byte value="xd"/>请检查网络是否连接正常！</source>
        <translation>The latest catalogue could not be downloaded from the server; the catalogue of the last update is used<byte value="xd"/>Please check that the network is connected!</translation>
    </message>
    <message>
        <source>下载配置文件时出错!</source>
        <translation>Error downloading the catalogue!</translation>
    </message>
    <message>
        <source>从服务器下载配置文件时出错,未能从本地找到可用的配置文件。<byte value="xd"/>请检查网络是否连接正常！单击[确定]退出本程序。</source>
        <translation>The catalogue could not be downloaded from the server, and no catalogue was found on this computer.<byte value="xd"/>Please check that the network is connected! Click [OK] to quit this program.</translation>
    </message>
    <message>
        <source>无可用的配置文件!</source>
        <translation>No catalogue available!</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate</source>
        <translation>YERO MP3 LiveUpdate</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 2005 Builb </source>
        <translation>YERO MP3 LiveUpdate 2005 Build </translation>
    </message>
    <message>
        <source>请选择MP3号型和固件版本</source>
        <translation>Choose the MP3 model and firmware</translation>
    </message>
    <message>
        <source>机型</source>
        <translation>Model</translation>
    </message>
    <message>
        <source>固件</source>
        <translation>Firmware</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>&amp;Download</translation>
    </message>
    <message>
        <source>重新下载</source>
        <translation>&amp;Download again</translation>
    </message>
    <message>
        <source>取消下载</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>下载中:</source>
        <translation>Downloading:</translation>
    </message>
    <message>
        <source>固件大小:</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>已下载:</source>
        <translation>Done:</translation>
    </message>
    <message>
        <source>平均速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>固件信息</source>
        <translation>Firmware information</translation>
    </message>
    <message>
        <source>单击[固件升级]按钮，开始更新MP3播放器中的固件</source>
        <translation>Click [Upgrade] to update the firmware of your MP3 player</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>&amp;Upgrade</translation>
    </message>
    <message>
        <source>%1 的 %2 固件包已经准备好！</source>
        <translation>The %2 firmware package for %1 is ready!</translation>
    </message>
    <message>
        <source>本工具适用于YERO MP3播放器。</source>
        <translation>This tool is for YERO MP3 players.</translation>
    </message>
    <message>
        <source>它能够帮助你完成从Internet下载固件包到本地，更新MP3播放器固件的工作。</source>
        <translation>It downloads firmware packages from the Internet and updates your MP3 player.</translation>
    </message>
    <message>
        <source>更新MP3固件可以提高MP3的操作性能和扩展功能，也可在MP3播放器出现软件故障时</source>
        <translation>New firmware can make your MP3 player work better and do more; when its</translation>
    </message>
    <message>
        <source>使用此工具更新MP3固件来修复MP3。</source>
        <translation>software fails, updating the firmware with this tool can repair it.</translation>
    </message>
    <message>
        <source>从服务器下载固件包时出错。<byte value="xd"/>请检查网络设置是否连接正常！单击[确定]退出本程序。</source>
        <translation>An error occurred while downloading the firmware package from the server.<byte value="xd"/>Please check that the network is connected! Click [OK] to close this message.</translation>
    </message>
    <message>
        <source>Tavik MP3 LiveUpdate 提示</source>
        <translation>Tavik MP3 LiveUpdate Notice</translation>
    </message>
    <message>
        <source>固件包未能通过数字签名验证，没有保存。<byte value="xd"/>请稍后重试，或与固件提供者联系。</source>
        <translation>The firmware package failed its digital signature check and was not saved.<byte value="xd"/>Please try again later, or contact the firmware&apos;s provider.</translation>
    </message>
    <message>
        <source>无法连接代理服务器 %1。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy、no_proxy 中的代理设置和网络连接。</source>
        <translation>Cannot connect to the proxy server %1.<byte value="xd"/>Please check the proxy settings in the environment variables http_proxy, https_proxy and no_proxy, and the network connection.</translation>
    </message>
    <message>
        <source>代理服务器 %1 拒绝了请求（需要用户名和密码，或者用户名和密码不对）。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy 中的用户名和密码。</source>
        <translation>The proxy server %1 refused the request (it needs a user name and password, or they are wrong).<byte value="xd"/>Please check the user name and password in the environment variables http_proxy and https_proxy.</translation>
    </message>
    <message>
        <source>环境变量 http_proxy 或 https_proxy 中的代理设置无法使用（只支持 http:// 代理）。<byte value="xd"/>请检查代理设置。</source>
        <translation>The proxy setting in the environment variable http_proxy or https_proxy cannot be used (only http:// proxies are supported).<byte value="xd"/>Please check the proxy setting.</translation>
    </message>
    <message>
        <source>本地的固件包未能通过数字签名验证，可能已被更改，不能用于升级。<byte value="xd"/>请重新下载固件包后再试。</source>
        <translation>The firmware package on this computer failed its digital signature check; it may have been changed and cannot be used for an upgrade.<byte value="xd"/>Please download the firmware package again and retry.</translation>
    </message>
    <message>
        <source>使用USB连接线将MP3播放器与电脑连接。<byte value="xd"/>连接好后单击[确定]-[开始]按钮。</source>
        <translation>Connect the MP3 player to the computer with the USB cable.<byte value="xd"/>Once it is connected, click [OK], then [Start].</translation>
    </message>
    <message>
        <source>将您的MP3播放器与电脑连接</source>
        <translation>Connect your MP3 player to the computer</translation>
    </message>
    <message>
        <source>未能找到SigmaTel MSCN Audio Player软件的安装文件夹，无法升级固件。<byte value="xd"/>请重新安装SigmaTel MSCN Audio Player软件后再试。</source>
        <translation>The installation folder of the SigmaTel MSCN Audio Player software was not found, so the firmware cannot be upgraded.<byte value="xd"/>Please install the SigmaTel MSCN Audio Player software again, then retry.</translation>
    </message>
    <message>
        <source>无法启动安装程序SigmaTelSetup.exe。<byte value="xd"/>请把它放到下面的文件夹中，或者先手动安装SigmaTel MSCN Audio Player软件，再运行本程序：<byte value="xd"/>%1</source>
        <translation>The setup program SigmaTelSetup.exe could not be started.<byte value="xd"/>Please put it into the folder below, or install the SigmaTel MSCN Audio Player software by hand first, then run this program:<byte value="xd"/>%1</translation>
    </message>
    <message>
        <source>无法启动固件升级程序。<byte value="xd"/>请检查SigmaTel MSCN Audio Player软件是否完整安装，然后再试：<byte value="xd"/>%1</source>
        <translation>The firmware updater could not be started.<byte value="xd"/>Please check that the SigmaTel MSCN Audio Player software is completely installed, then retry:<byte value="xd"/>%1</translation>
    </message>
    <message>
        <source>SigmaTel MSCN Audio Player的程序是Windows程序，需要Wine才能运行，但本机没有找到Wine。<byte value="xd"/>请先安装Wine（例如运行 sudo apt install wine），然后再试。</source>
        <translation>The programs of the SigmaTel MSCN Audio Player are Windows programs and need Wine to run, but Wine was not found on this computer.<byte value="xd"/>Please install Wine first (for example with sudo apt install wine), then retry.</translation>
    </message>
    <message>
        <source>固件包已损坏或不完整，固件升级没有进行，播放器软件的文件保持不变。<byte value="xd"/>损坏的固件包已删除，请单击[下载]按钮重新下载。</source>
        <translation>The firmware package is damaged or incomplete; the firmware was not upgraded and the player software&apos;s files are unchanged.<byte value="xd"/>The damaged package was deleted; please click [Download] to download it again.</translation>
    </message>
    <message>
        <source>无法写入文件“%1”：%2。<byte value="xd"/>固件升级没有进行，播放器软件的文件保持不变。</source>
        <translation>Cannot write the file &quot;%1&quot;: %2.<byte value="xd"/>The firmware was not upgraded and the player software&apos;s files are unchanged.</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>not enough disk space</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>no permission to write</translation>
    </message>
    <message>
        <source>文件正被其他程序使用</source>
        <translation>the file is in use by another program</translation>
    </message>
    <message>
        <source>已有同名的文件夹或文件</source>
        <translation>a folder or file of that name is in the way</translation>
    </message>
    <message>
        <source>正在从服务器读取固件说明，请稍候……</source>
        <translation>Reading the firmware description from the server, please wait...</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>unknown</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>Firmware version</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 主页</source>
        <translation>YERO MP3 LiveUpdate home page</translation>
    </message>
    <message>
        <source>固件说明</source>
        <translation>Firmware description</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>Download progress</translation>
    </message>
    <message>
        <source>本工具说明</source>
        <translation>About this tool</translation>
    </message>
    <message>
        <source>Downloads firmware for YERO MP3 players and starts the player software&apos;s updater.</source>
        <translation>Downloads firmware for YERO MP3 players and starts the player software&apos;s updater.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Show this help and exit.</translation>
    </message>
    <message>
        <source>Show the program&apos;s version and exit.</source>
        <translation>Show the program&apos;s version and exit.</translation>
    </message>
    <message>
        <source>Write the trace for support for this run (as YEROUP_TRACE=1 does), to %1.</source>
        <translation>Write the trace for support for this run (as YEROUP_TRACE=1 does), to %1.</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>unexpected argument &apos;%1&apos;</translation>
    </message>
    <message>
        <source>Try &apos;yeroup --help&apos; for more information.</source>
        <translation>Try &apos;yeroup --help&apos; for more information.</translation>
    </message>
    <message>
        <source>MP3播放器固件在线升级</source>
        <translation>MP3 player firmware online update</translation>
    </message>
    <message>
        <source>正在检查, 请稍候...</source>
        <translation>Checking, please wait...</translation>
    </message>
    <message>
        <source>无法显示该网页</source>
        <translation>The page cannot be shown</translation>
    </message>
    <message>
        <source>找不到文件 %1</source>
        <translation>File not found: %1</translation>
    </message>
    <message>
        <source>无法连接到 %1</source>
        <translation>Cannot connect to %1</translation>
    </message>
    <message>
        <source>上次的固件升级被中断了。它留下的记录无法读取，或与留下的文件不相符，本程序既不能完成也不能撤销这次升级。为了不丢失文件，播放器软件的文件、暂存文件夹和备份都保持原样。</source>
        <translation>The last firmware upgrade was interrupted. What it left behind cannot be read, or does not agree with the files it left, so this program can neither finish nor undo it. So that no file is lost, the player software&apos;s files, the staging folder and the backup are left as they are.</translation>
    </message>
    <message>
        <source>上次被中断的固件升级还没有处理完（它留下的记录无法读取），为了不丢失文件，现在不能进行新的固件升级。</source>
        <translation>An interrupted firmware upgrade has not been settled yet (what it left behind cannot be read); so that no file is lost, no new firmware upgrade can run now.</translation>
    </message>
    <message>
        <source><byte value="xd"/>被替换的原有文件备份在：%1</source>
        <translation><byte value="xd"/>The files it replaced are backed up in: %1</translation>
    </message>
    <message>
        <source><byte value="xd"/>这次升级还没有替换任何文件。</source>
        <translation><byte value="xd"/>This upgrade had not replaced any file yet.</translation>
    </message>
    <message>
        <source><byte value="xd"/>请检查播放器软件的文件，再按使用说明（man yeroup）删除这次升级留下的记录，之后才能再次升级。</source>
        <translation><byte value="xd"/>Please check the player software&apos;s files, then remove what this upgrade left behind as the manual (man yeroup) says; after that the firmware can be upgraded again.</translation>
    </message>
    <message>
        <source>固件升级程序仍在运行。<byte value="xd"/>请等待它结束后再进行固件升级。</source>
        <translation>The firmware updater is still running.<byte value="xd"/>Please wait for it to finish before upgrading the firmware again.</translation>
    </message>
    <message>
        <source>续传中:</source>
        <translation>Resuming:</translation>
    </message>
    <message>
        <source>本次速度:</source>
        <translation>This download:</translation>
    </message>
    <message>
        <source>服务器上的配置文件签名于%1（UTC），晚于这台电脑的时钟，请检查电脑的日期和时间是否正确。</source>
        <translation>The catalogue on the server was signed at %1 (UTC), later than this computer&apos;s clock. Check that the computer&apos;s date and time are right.</translation>
    </message>
    <message>
        <source>连接中断，第%1次续传:</source>
        <translation>Connection lost, try %1:</translation>
    </message>
    <message>
        <source>下载来源: %1</source>
        <translation>From %1</translation>
    </message>
    <message>
        <source>下载因网络中断而停止，已下载的部分已保留。<byte value="xd"/>再次单击[下载]即可从中断处继续。</source>
        <translation>The download stopped because the network connection was lost; the part already downloaded is kept.<byte value="xd"/>Click Download again to continue from where it stopped.</translation>
    </message>
    <message>
        <source>固件包已完整下载，但无法获取它的数字签名，尚未验证，没有保存为固件包。<byte value="xd"/>请稍后再次单击[下载]，只需获取签名。</source>
        <translation>The firmware package was downloaded whole, but its signature could not be fetched, so it is not yet verified and not stored as the package.<byte value="xd"/>Please click Download again later; only the signature will be fetched.</translation>
    </message>
    <message>
        <source>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），继续使用上次更新的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。</source>
        <translation>The catalogue on the server failed its digital signature check (it may have been changed or have expired); the catalogue of the last update is used.<byte value="xd"/>Please try again later, or contact the firmware&apos;s provider.</translation>
    </message>
    <message>
        <source>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），未能从本地找到可用的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。单击[确定]退出本程序。</source>
        <translation>The catalogue on the server failed its digital signature check (it may have been changed or have expired), and no usable catalogue was found on this computer.<byte value="xd"/>Please try again later, or contact the firmware&apos;s provider. Click [OK] to quit this program.</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，继续使用上次更新的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</source>
        <translation>The update server&apos;s certificate is not trusted, so the server&apos;s identity cannot be confirmed; the catalogue of the last update is used.<byte value="xd"/>Please check that the computer&apos;s date and time are right, or contact the firmware&apos;s provider.</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，未能从本地找到可用的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。单击[确定]退出本程序。</source>
        <translation>The update server&apos;s certificate is not trusted, so the server&apos;s identity cannot be confirmed, and no usable catalogue was found on this computer.<byte value="xd"/>Please check that the computer&apos;s date and time are right, or contact the firmware&apos;s provider. Click [OK] to quit this program.</translation>
    </message>
    <message>
        <source>%1 的 %2 固件包无法保存：%3。</source>
        <translation>The %2 firmware package for %1 could not be saved: %3.</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，固件包没有下载。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</source>
        <translation>The update server&apos;s certificate is not trusted, so the server&apos;s identity cannot be confirmed; the firmware package was not downloaded.<byte value="xd"/>Please check that the computer&apos;s date and time are right, or contact the firmware&apos;s provider.</translation>
    </message>
    <message>
        <source>固件列表已有%1天未更新</source>
        <translation>Firmware list not updated for %1 days</translation>
    </message>
    <message>
        <source>固件列表（配置文件）签发于%2，已有%1天未更新，可能不是最新的。</source>
        <translation>The firmware list (catalogue) was signed on %2 and has not been updated for %1 days; it may not be the latest.</translation>
    </message>
    <message>
        <source>cannot open a window: no display is set. Start yeroup from a desktop session, or set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) to the display to use.</source>
        <translation>cannot open a window: no display is set. Start yeroup from a desktop session, or set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) to the display to use.</translation>
    </message>
    <message>
        <source>cannot open a window on the display &apos;%1&apos;. Check that DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) names a display that is running and open to this user.</source>
        <translation>cannot open a window on the display &apos;%1&apos;. Check that DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) names a display that is running and open to this user.</translation>
    </message>
    <message>
        <source>固件升级历史</source>
        <translation>Firmware upgrade history</translation>
    </message>
    <message>
        <source>固件升级记录</source>
        <translation>Firmware upgrades</translation>
    </message>
    <message>
        <source>时间 (UTC)</source>
        <translation>Time (UTC)</translation>
    </message>
    <message>
        <source>原固件</source>
        <translation>Firmware before</translation>
    </message>
    <message>
        <source>新固件</source>
        <translation>Firmware after</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>固件包 SHA-256</source>
        <translation>Package SHA-256</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>Under way</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>Finished</translation>
    </message>
    <message>
        <source>已撤销</source>
        <translation>Rolled back</translation>
    </message>
    <message>
        <source>未进行</source>
        <translation>Refused</translation>
    </message>
    <message>
        <source>需要用户处理</source>
        <translation>Left for the user</translation>
    </message>
    <message>
        <source>还没有固件升级记录。</source>
        <translation>No firmware upgrade has been recorded yet.</translation>
    </message>
    <message>
        <source>无法读取固件升级历史：%1</source>
        <translation>The firmware upgrade history cannot be read: %1</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Print the history of upgrades and exit.</source>
        <translation>Print the history of upgrades and exit.</translation>
    </message>
    <message>
        <source>TIME (UTC)</source>
        <translation>TIME (UTC)</translation>
    </message>
    <message>
        <source>OUTCOME</source>
        <translation>OUTCOME</translation>
    </message>
    <message>
        <source>MODEL</source>
        <translation>MODEL</translation>
    </message>
    <message>
        <source>BEFORE</source>
        <translation>BEFORE</translation>
    </message>
    <message>
        <source>AFTER</source>
        <translation>AFTER</translation>
    </message>
    <message>
        <source>PACKAGE SHA-256</source>
        <translation>PACKAGE SHA-256</translation>
    </message>
    <message>
        <source>REASON</source>
        <translation>REASON</translation>
    </message>
    <message>
        <source>No upgrade has been recorded yet.</source>
        <translation>No upgrade has been recorded yet.</translation>
    </message>
    <message>
        <source>%1 damaged line(s) of the history were skipped.</source>
        <translation>%1 damaged line(s) of the history were skipped.</translation>
    </message>
    <message>
        <source>cannot read the history of upgrades: %1</source>
        <translation>cannot read the history of upgrades: %1</translation>
    </message>
</context>
</TS>
