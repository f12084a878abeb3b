<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>archiver</name>
    <message>
        <source>%1 - Native error: %2</source>
        <translation>%1 - 内部错误码：%2</translation>
    </message>
    <message>
        <source>%1. File processing error, possibly disk is full</source>
        <translation>%1。处理文件时出错，可能是磁盘已满</translation>
    </message>
    <message>
        <source>Overwrite file &quot;%1&quot; with &quot;%2&quot;</source>
        <translation>用“%2”覆盖文件“%1”</translation>
    </message>
    <message>
        <source>Password for &quot;%1&quot;</source>
        <translation>“%1”的密码</translation>
    </message>
    <message>
        <source>Enter password: </source>
        <translation>请输入密码：</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>Index out of bounds</source>
        <translation>索引超出范围</translation>
    </message>
    <message>
        <source>Invalid compression mode. Mode must be in [0-9] range</source>
        <translation>压缩模式无效，必须在 [0-9] 范围内</translation>
    </message>
    <message>
        <source>Unexpected nil pointer</source>
        <translation>意外的空指针</translation>
    </message>
    <message>
        <source>Invalid size or check sum of file or unsupported compression format</source>
        <translation>文件的大小或校验和不正确，或者压缩格式不受支持</translation>
    </message>
    <message>
        <source>File name is blank. Specify appropriate file name</source>
        <translation>文件名为空，请指定合适的文件名</translation>
    </message>
    <message>
        <source>File &quot;%s&quot; not found</source>
        <translation>找不到文件“%1”</translation>
    </message>
    <message>
        <source>Archive is not open</source>
        <translation>压缩包未打开</translation>
    </message>
    <message>
        <source>SFXStub property is not specified</source>
        <translation>未指定 SFXStub 属性</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%s&quot;</source>
        <translation>无法创建文件“%1”</translation>
    </message>
    <message>
        <source>Cannot create directory &quot;%s&quot;</source>
        <translation>无法创建文件夹“%1”</translation>
    </message>
    <message>
        <source>Internal error. Update is not started</source>
        <translation>内部错误：更新尚未开始</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%s&quot;</source>
        <translation>无法打开文件“%1”</translation>
    </message>
    <message>
        <source>Cannot proceed when update is not ended. Preceding EndUpdate call is required.</source>
        <translation>更新尚未结束，无法继续。需要先调用 EndUpdate。</translation>
    </message>
    <message>
        <source>Cannot delete file &quot;%s&quot;</source>
        <translation>无法删除文件“%1”</translation>
    </message>
    <message>
        <source>In-memory archive can be created only</source>
        <translation>只能创建内存中的压缩包</translation>
    </message>
    <message>
        <source>File is open in read-only mode</source>
        <translation>文件以只读方式打开</translation>
    </message>
    <message>
        <source>Invalid compressed size, rfs.size = %d, count = %d</source>
        <translation>压缩后的大小无效，rfs.size = %1，count = %2</translation>
    </message>
    <message>
        <source>Invalid archive file.</source>
        <translation>压缩包文件无效。</translation>
    </message>
    <message>
        <source>Cannot create output file. Probably file is locked by another process. FileName = &apos;%s&apos;.</source>
        <translation>无法创建输出文件，可能文件被其他进程锁定。文件名 = “%1”。</translation>
    </message>
    <message>
        <source>Archive is open. You should close it beore performing this operation.</source>
        <translation>压缩包已打开，执行此操作前请先关闭它。</translation>
    </message>
    <message>
        <source>Unable to create directory</source>
        <translation>无法创建文件夹</translation>
    </message>
    <message>
        <source>Cannot find Zip64 directory end record</source>
        <translation>找不到 Zip64 目录结束记录</translation>
    </message>
    <message>
        <source>Cannot compress file &apos;%s&apos;. Zip64 mode is not enabled</source>
        <translation>无法压缩文件“%1”：未启用 Zip64 模式</translation>
    </message>
    <message>
        <source>Cannot open archive file. Opening aborted or invalid file</source>
        <translation>无法打开压缩包文件：打开被中止，或文件无效</translation>
    </message>
    <message>
        <source>Write to stream error</source>
        <translation>写入数据流出错</translation>
    </message>
    <message>
        <source>Cannot place SFX stub on volume. Volume size limit is too small</source>
        <translation>无法将 SFX 存根放入分卷：分卷大小限制过小</translation>
    </message>
    <message>
        <source>Archive is damaged. Open failed</source>
        <translation>压缩包已损坏，打开失败</translation>
    </message>
    <message>
        <source>MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of MakeSFX</source>
        <translation>分割或跨卷的压缩包不能使用 MakeSFX。请在创建压缩包前设置 SFXStub，而不是使用 MakeSFX</translation>
    </message>
    <message>
        <source>Archive already has SFX stub</source>
        <translation>压缩包已有 SFX 存根</translation>
    </message>
    <message>
        <source>Multi-volume archive is not allowed for custom stream</source>
        <translation>自定义数据流不能使用多卷压缩包</translation>
    </message>
    <message>
        <source>Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files several times</source>
        <translation>跨卷压缩包不能修改。请使用 BeginUpdate/EndUpdate 方法分多次添加文件</translation>
    </message>
    <message>
        <source>Deflate64 compression method is not supported</source>
        <translation>不支持 Deflate64 压缩方法</translation>
    </message>
    <message>
        <source>Unsafe file name &quot;%s&quot;: it would be written outside the destination folder</source>
        <translation>文件名“%1”不安全：它会被写到目标文件夹之外</translation>
    </message>
    <message>
        <source>Archive is damaged: the data of &quot;%s&quot; is cut short</source>
        <translation>压缩包已损坏：“%1”的数据不完整</translation>
    </message>
    <message>
        <source>Archive is damaged: the data of &quot;%s&quot; overlaps another entry</source>
        <translation>压缩包已损坏：“%1”的数据与另一个条目重叠</translation>
    </message>
    <message>
        <source>Archive is damaged: the local header of &quot;%s&quot; does not match its directory entry</source>
        <translation>压缩包已损坏：“%1”的本地文件头与它的目录条目不符</translation>
    </message>
    <message>
        <source>Compression method %s is not supported</source>
        <translation>不支持压缩方法 %1</translation>
    </message>
    <message>
        <source>Archive has more entries than the limit of %s</source>
        <translation>压缩包中的条目超过了 %1 个的限制</translation>
    </message>
    <message>
        <source>File name longer than the limit of %s bytes</source>
        <translation>文件名超过了 %1 字节的限制</translation>
    </message>
    <message>
        <source>Archive would extract to more than the limit of %s bytes</source>
        <translation>压缩包解压后会超过 %1 字节的限制</translation>
    </message>
    <message>
        <source>Archive is damaged: &quot;%s&quot; is both a file and a folder</source>
        <translation>压缩包已损坏：“%1”既是文件又是文件夹</translation>
    </message>
</context>
<context>
    <name>files</name>
    <message>
        <source>Cannot create file &quot;%1&quot;. %2</source>
        <translation>无法创建文件“%1”：%2。</translation>
    </message>
    <message>
        <source>No space left on device</source>
        <translation>磁盘空间不足</translation>
    </message>
    <message>
        <source>Disk quota exceeded</source>
        <translation>超出了磁盘配额</translation>
    </message>
    <message>
        <source>Permission denied</source>
        <translation>没有权限</translation>
    </message>
    <message>
        <source>Operation not permitted</source>
        <translation>不允许此操作</translation>
    </message>
    <message>
        <source>Read-only file system</source>
        <translation>文件系统是只读的</translation>
    </message>
    <message>
        <source>No such file or directory</source>
        <translation>没有这个文件或文件夹</translation>
    </message>
    <message>
        <source>Not a directory</source>
        <translation>不是文件夹</translation>
    </message>
    <message>
        <source>Is a directory</source>
        <translation>是一个文件夹</translation>
    </message>
    <message>
        <source>Input/output error</source>
        <translation>输入/输出错误</translation>
    </message>
    <message>
        <source>File name too long</source>
        <translation>文件名太长</translation>
    </message>
</context>
<context>
    <name>yeroup</name>
    <message>
        <source>Another instance of this program is already running.<byte value="xd"/>Please wait for the other instance to finish and then try again.</source>
        <translation>本程序的另一个副本正在运行。<byte value="xd"/>请等待它结束后再试。</translation>
    </message>
    <message>
        <source>Tavik MP3 LiveUpdate</source>
        <translation>Tavik MP3 LiveUpdate</translation>
    </message>
    <message>
        <source>版本:</source>
        <translation>版本:</translation>
    </message>
    <message>
        <source>请首先安装SigmaTel MSCN Audio Player软件，然后再运行本程序。<byte value="xd"/>单击[确定]立刻开始安装，[取消]为退出本程序。</source>
        <translation>请首先安装SigmaTel MSCN Audio Player软件，然后再运行本程序。<byte value="xd"/>单击[确定]立刻开始安装，[取消]为退出本程序。</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 提示</source>
        <translation>YERO MP3 LiveUpdate 提示</translation>
    </message>
    <message>
        <source>无法从服务器下载最新的配置文件，继续使用上次更新的配置文件<byte value="xd"/>请检查网络是否连接正常！</source>
        <translation>无法从服务器下载最新的配置文件，继续使用上次更新的配置文件<byte value="xd"/>请检查网络是否连接正常！</translation>
    </message>
    <message>
        <source>下载配置文件时出错!</source>
        <translation>下载配置文件时出错!</translation>
    </message>
    <message>
        <source>从服务器下载配置文件时出错,未能从本地找到可用的配置文件。<byte value="xd"/>请检查网络是否连接正常！单击[确定]退出本程序。</source>
        <translation>从服务器下载配置文件时出错,未能从本地找到可用的配置文件。<byte value="xd"/>请检查网络是否连接正常！单击[确定]退出本程序。</translation>
    </message>
    <message>
        <source>无可用的配置文件!</source>
        <translation>无可用的配置文件!</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate</source>
        <translation>YERO MP3 LiveUpdate</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 2005 Builb </source>
        <translation>YERO MP3 LiveUpdate 2005 Builb </translation>
    </message>
    <message>
        <source>请选择MP3号型和固件版本</source>
        <translation>请选择MP3号型和固件版本</translation>
    </message>
    <message>
        <source>机型</source>
        <translation>机型</translation>
    </message>
    <message>
        <source>固件</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>重新下载</source>
        <translation>重新下载</translation>
    </message>
    <message>
        <source>取消下载</source>
        <translation>取消下载</translation>
    </message>
    <message>
        <source>下载中:</source>
        <translation>下载中:</translation>
    </message>
    <message>
        <source>固件大小:</source>
        <translation>固件大小:</translation>
    </message>
    <message>
        <source>已下载:</source>
        <translation>已下载:</translation>
    </message>
    <message>
        <source>平均速度:</source>
        <translation>平均速度:</translation>
    </message>
    <message>
        <source>固件信息</source>
        <translation>固件信息</translation>
    </message>
    <message>
        <source>单击[固件升级]按钮，开始更新MP3播放器中的固件</source>
        <translation>单击[固件升级]按钮，开始更新MP3播放器中的固件</translation>
    </message>
    <message>
        <source>固件升级</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>%1 的 %2 固件包已经准备好！</source>
        <translation>%1 的 %2 固件包已经准备好！</translation>
    </message>
    <message>
        <source>本工具适用于YERO MP3播放器。</source>
        <translation>本工具适用于YERO MP3播放器。</translation>
    </message>
    <message>
        <source>它能够帮助你完成从Internet下载固件包到本地，更新MP3播放器固件的工作。</source>
        <translation>它能够帮助你完成从Internet下载固件包到本地，更新MP3播放器固件的工作。</translation>
    </message>
    <message>
        <source>更新MP3固件可以提高MP3的操作性能和扩展功能，也可在MP3播放器出现软件故障时</source>
        <translation>更新MP3固件可以提高MP3的操作性能和扩展功能，也可在MP3播放器出现软件故障时</translation>
    </message>
    <message>
        <source>使用此工具更新MP3固件来修复MP3。</source>
        <translation>使用此工具更新MP3固件来修复MP3。</translation>
    </message>
    <message>
        <source>从服务器下载固件包时出错。<byte value="xd"/>请检查网络设置是否连接正常！单击[确定]退出本程序。</source>
        <translation>从服务器下载固件包时出错。<byte value="xd"/>请检查网络设置是否连接正常！单击[确定]退出本程序。</translation>
    </message>
    <message>
        <source>Tavik MP3 LiveUpdate 提示</source>
        <translation>Tavik MP3 LiveUpdate 提示</translation>
    </message>
    <message>
        <source>固件包未能通过数字签名验证，没有保存。<byte value="xd"/>请稍后重试，或与固件提供者联系。</source>
        <translation>固件包未能通过数字签名验证，没有保存。<byte value="xd"/>请稍后重试，或与固件提供者联系。</translation>
    </message>
    <message>
        <source>无法连接代理服务器 %1。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy、no_proxy 中的代理设置和网络连接。</source>
        <translation>无法连接代理服务器 %1。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy、no_proxy 中的代理设置和网络连接。</translation>
    </message>
    <message>
        <source>代理服务器 %1 拒绝了请求（需要用户名和密码，或者用户名和密码不对）。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy 中的用户名和密码。</source>
        <translation>代理服务器 %1 拒绝了请求（需要用户名和密码，或者用户名和密码不对）。<byte value="xd"/>请检查环境变量 http_proxy、https_proxy 中的用户名和密码。</translation>
    </message>
    <message>
        <source>环境变量 http_proxy 或 https_proxy 中的代理设置无法使用（只支持 http:// 代理）。<byte value="xd"/>请检查代理设置。</source>
        <translation>环境变量 http_proxy 或 https_proxy 中的代理设置无法使用（只支持 http:// 代理）。<byte value="xd"/>请检查代理设置。</translation>
    </message>
    <message>
        <source>本地的固件包未能通过数字签名验证，可能已被更改，不能用于升级。<byte value="xd"/>请重新下载固件包后再试。</source>
        <translation>本地的固件包未能通过数字签名验证，可能已被更改，不能用于升级。<byte value="xd"/>请重新下载固件包后再试。</translation>
    </message>
    <message>
        <source>使用USB连接线将MP3播放器与电脑连接。<byte value="xd"/>连接好后单击[确定]-[开始]按钮。</source>
        <translation>使用USB连接线将MP3播放器与电脑连接。<byte value="xd"/>连接好后单击[确定]-[开始]按钮。</translation>
    </message>
    <message>
        <source>将您的MP3播放器与电脑连接</source>
        <translation>将您的MP3播放器与电脑连接</translation>
    </message>
    <message>
        <source>未能找到SigmaTel MSCN Audio Player软件的安装文件夹，无法升级固件。<byte value="xd"/>请重新安装SigmaTel MSCN Audio Player软件后再试。</source>
        <translation>未能找到SigmaTel MSCN Audio Player软件的安装文件夹，无法升级固件。<byte value="xd"/>请重新安装SigmaTel MSCN Audio Player软件后再试。</translation>
    </message>
    <message>
        <source>无法启动安装程序SigmaTelSetup.exe。<byte value="xd"/>请把它放到下面的文件夹中，或者先手动安装SigmaTel MSCN Audio Player软件，再运行本程序：<byte value="xd"/>%1</source>
        <translation>无法启动安装程序SigmaTelSetup.exe。<byte value="xd"/>请把它放到下面的文件夹中，或者先手动安装SigmaTel MSCN Audio Player软件，再运行本程序：<byte value="xd"/>%1</translation>
    </message>
    <message>
        <source>无法启动固件升级程序。<byte value="xd"/>请检查SigmaTel MSCN Audio Player软件是否完整安装，然后再试：<byte value="xd"/>%1</source>
        <translation>无法启动固件升级程序。<byte value="xd"/>请检查SigmaTel MSCN Audio Player软件是否完整安装，然后再试：<byte value="xd"/>%1</translation>
    </message>
    <message>
        <source>SigmaTel MSCN Audio Player的程序是Windows程序，需要Wine才能运行，但本机没有找到Wine。<byte value="xd"/>请先安装Wine（例如运行 sudo apt install wine），然后再试。</source>
        <translation>SigmaTel MSCN Audio Player的程序是Windows程序，需要Wine才能运行，但本机没有找到Wine。<byte value="xd"/>请先安装Wine（例如运行 sudo apt install wine），然后再试。</translation>
    </message>
    <message>
        <source>固件包已损坏或不完整，固件升级没有进行，播放器软件的文件保持不变。<byte value="xd"/>损坏的固件包已删除，请单击[下载]按钮重新下载。</source>
        <translation>固件包已损坏或不完整，固件升级没有进行，播放器软件的文件保持不变。<byte value="xd"/>损坏的固件包已删除，请单击[下载]按钮重新下载。</translation>
    </message>
    <message>
        <source>无法写入文件“%1”：%2。<byte value="xd"/>固件升级没有进行，播放器软件的文件保持不变。</source>
        <translation>无法写入文件“%1”：%2。<byte value="xd"/>固件升级没有进行，播放器软件的文件保持不变。</translation>
    </message>
    <message>
        <source>磁盘空间不足</source>
        <translation>磁盘空间不足</translation>
    </message>
    <message>
        <source>没有写入权限</source>
        <translation>没有写入权限</translation>
    </message>
    <message>
        <source>文件正被其他程序使用</source>
        <translation>文件正被其他程序使用</translation>
    </message>
    <message>
        <source>已有同名的文件夹或文件</source>
        <translation>已有同名的文件夹或文件</translation>
    </message>
    <message>
        <source>正在从服务器读取固件说明，请稍候……</source>
        <translation>正在从服务器读取固件说明，请稍候……</translation>
    </message>
    <message>
        <source>未知</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>固件版本</source>
        <translation>固件版本</translation>
    </message>
    <message>
        <source>YERO MP3 LiveUpdate 主页</source>
        <translation>YERO MP3 LiveUpdate 主页</translation>
    </message>
    <message>
        <source>固件说明</source>
        <translation>固件说明</translation>
    </message>
    <message>
        <source>下载进度</source>
        <translation>下载进度</translation>
    </message>
    <message>
        <source>本工具说明</source>
        <translation>本工具说明</translation>
    </message>
    <message>
        <source>Downloads firmware for YERO MP3 players and starts the player software&apos;s updater.</source>
        <translation>为YERO MP3播放器下载固件，并启动播放器软件的升级程序。</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>显示本帮助并退出。</translation>
    </message>
    <message>
        <source>Show the program&apos;s version and exit.</source>
        <translation>显示本程序的版本并退出。</translation>
    </message>
    <message>
        <source>Write the trace for support for this run (as YEROUP_TRACE=1 does), to %1.</source>
        <translation>为本次运行写下技术支持用的跟踪记录（与 YEROUP_TRACE=1 相同），写到 %1。</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation>多余的参数“%1”</translation>
    </message>
    <message>
        <source>Try &apos;yeroup --help&apos; for more information.</source>
        <translation>请运行“yeroup --help”了解更多信息。</translation>
    </message>
    <message>
        <source>MP3播放器固件在线升级</source>
        <translation>MP3播放器固件在线升级</translation>
    </message>
    <message>
        <source>正在检查, 请稍候...</source>
        <translation>正在检查, 请稍候...</translation>
    </message>
    <message>
        <source>无法显示该网页</source>
        <translation>无法显示该网页</translation>
    </message>
    <message>
        <source>找不到文件 %1</source>
        <translation>找不到文件 %1</translation>
    </message>
    <message>
        <source>无法连接到 %1</source>
        <translation>无法连接到 %1</translation>
    </message>
    <message>
        <source>上次的固件升级被中断了。它留下的记录无法读取，或与留下的文件不相符，本程序既不能完成也不能撤销这次升级。为了不丢失文件，播放器软件的文件、暂存文件夹和备份都保持原样。</source>
        <translation>上次的固件升级被中断了。它留下的记录无法读取，或与留下的文件不相符，本程序既不能完成也不能撤销这次升级。为了不丢失文件，播放器软件的文件、暂存文件夹和备份都保持原样。</translation>
    </message>
    <message>
        <source>上次被中断的固件升级还没有处理完（它留下的记录无法读取），为了不丢失文件，现在不能进行新的固件升级。</source>
        <translation>上次被中断的固件升级还没有处理完（它留下的记录无法读取），为了不丢失文件，现在不能进行新的固件升级。</translation>
    </message>
    <message>
        <source><byte value="xd"/>被替换的原有文件备份在：%1</source>
        <translation><byte value="xd"/>被替换的原有文件备份在：%1</translation>
    </message>
    <message>
        <source><byte value="xd"/>这次升级还没有替换任何文件。</source>
        <translation><byte value="xd"/>这次升级还没有替换任何文件。</translation>
    </message>
    <message>
        <source><byte value="xd"/>请检查播放器软件的文件，再按使用说明（man yeroup）删除这次升级留下的记录，之后才能再次升级。</source>
        <translation><byte value="xd"/>请检查播放器软件的文件，再按使用说明（man yeroup）删除这次升级留下的记录，之后才能再次升级。</translation>
    </message>
    <message>
        <source>固件升级程序仍在运行。<byte value="xd"/>请等待它结束后再进行固件升级。</source>
        <translation>固件升级程序仍在运行。<byte value="xd"/>请等待它结束后再进行固件升级。</translation>
    </message>
    <message>
        <source>续传中:</source>
        <translation>续传中:</translation>
    </message>
    <message>
        <source>本次速度:</source>
        <translation>本次速度:</translation>
    </message>
    <message>
        <source>服务器上的配置文件签名于%1（UTC），晚于这台电脑的时钟，请检查电脑的日期和时间是否正确。</source>
        <translation>服务器上的配置文件签名于%1（UTC），晚于这台电脑的时钟，请检查电脑的日期和时间是否正确。</translation>
    </message>
    <message>
        <source>连接中断，第%1次续传:</source>
        <translation>连接中断，第%1次续传:</translation>
    </message>
    <message>
        <source>下载来源: %1</source>
        <translation>下载来源: %1</translation>
    </message>
    <message>
        <source>下载因网络中断而停止，已下载的部分已保留。<byte value="xd"/>再次单击[下载]即可从中断处继续。</source>
        <translation>下载因网络中断而停止，已下载的部分已保留。<byte value="xd"/>再次单击[下载]即可从中断处继续。</translation>
    </message>
    <message>
        <source>固件包已完整下载，但无法获取它的数字签名，尚未验证，没有保存为固件包。<byte value="xd"/>请稍后再次单击[下载]，只需获取签名。</source>
        <translation>固件包已完整下载，但无法获取它的数字签名，尚未验证，没有保存为固件包。<byte value="xd"/>请稍后再次单击[下载]，只需获取签名。</translation>
    </message>
    <message>
        <source>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），继续使用上次更新的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。</source>
        <translation>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），继续使用上次更新的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。</translation>
    </message>
    <message>
        <source>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），未能从本地找到可用的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。单击[确定]退出本程序。</source>
        <translation>服务器上的配置文件未能通过数字签名验证（可能已被更改或已过期），未能从本地找到可用的配置文件。<byte value="xd"/>请稍后重试，或与固件提供者联系。单击[确定]退出本程序。</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，继续使用上次更新的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</source>
        <translation>更新服务器的证书不受信任，无法确认服务器的身份，继续使用上次更新的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，未能从本地找到可用的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。单击[确定]退出本程序。</source>
        <translation>更新服务器的证书不受信任，无法确认服务器的身份，未能从本地找到可用的配置文件。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。单击[确定]退出本程序。</translation>
    </message>
    <message>
        <source>%1 的 %2 固件包无法保存：%3。</source>
        <translation>%1 的 %2 固件包无法保存：%3。</translation>
    </message>
    <message>
        <source>更新服务器的证书不受信任，无法确认服务器的身份，固件包没有下载。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</source>
        <translation>更新服务器的证书不受信任，无法确认服务器的身份，固件包没有下载。<byte value="xd"/>请检查电脑的日期和时间是否正确，或与固件提供者联系。</translation>
    </message>
    <message>
        <source>固件列表已有%1天未更新</source>
        <translation>固件列表已有%1天未更新</translation>
    </message>
    <message>
        <source>固件列表（配置文件）签发于%2，已有%1天未更新，可能不是最新的。</source>
        <translation>固件列表（配置文件）签发于%2，已有%1天未更新，可能不是最新的。</translation>
    </message>
    <message>
        <source>cannot open a window: no display is set. Start yeroup from a desktop session, or set DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) to the display to use.</source>
        <translation>无法打开窗口：没有设置显示器。请在桌面会话中启动 yeroup，或把 DISPLAY（X11）或 WAYLAND_DISPLAY（Wayland）设为要使用的显示器。</translation>
    </message>
    <message>
        <source>cannot open a window on the display &apos;%1&apos;. Check that DISPLAY (X11) or WAYLAND_DISPLAY (Wayland) names a display that is running and open to this user.</source>
        <translation>无法打开窗口：无法连接显示器“%1”。请检查 DISPLAY（X11）或 WAYLAND_DISPLAY（Wayland）所指的显示器是否正在运行，并允许当前用户使用。</translation>
    </message>
    <message>
        <source>固件升级历史</source>
        <translation>固件升级历史</translation>
    </message>
    <message>
        <source>固件升级记录</source>
        <translation>固件升级记录</translation>
    </message>
    <message>
        <source>时间 (UTC)</source>
        <translation>时间 (UTC)</translation>
    </message>
    <message>
        <source>原固件</source>
        <translation>原固件</translation>
    </message>
    <message>
        <source>新固件</source>
        <translation>新固件</translation>
    </message>
    <message>
        <source>结果</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>固件包 SHA-256</source>
        <translation>固件包 SHA-256</translation>
    </message>
    <message>
        <source>原因</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>进行中</source>
        <translation>进行中</translation>
    </message>
    <message>
        <source>已完成</source>
        <translation>已完成</translation>
    </message>
    <message>
        <source>已撤销</source>
        <translation>已撤销</translation>
    </message>
    <message>
        <source>未进行</source>
        <translation>未进行</translation>
    </message>
    <message>
        <source>需要用户处理</source>
        <translation>需要用户处理</translation>
    </message>
    <message>
        <source>还没有固件升级记录。</source>
        <translation>还没有固件升级记录。</translation>
    </message>
    <message>
        <source>无法读取固件升级历史：%1</source>
        <translation>无法读取固件升级历史：%1</translation>
    </message>
    <message>
        <source>关闭(&amp;C)</source>
        <translation>关闭(&amp;C)</translation>
    </message>
    <message>
        <source>Print the history of upgrades and exit.</source>
        <translation>显示固件升级历史并退出。</translation>
    </message>
    <message>
        <source>TIME (UTC)</source>
        <translation>时间 (UTC)</translation>
    </message>
    <message>
        <source>OUTCOME</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>MODEL</source>
        <translation>机型</translation>
    </message>
    <message>
        <source>BEFORE</source>
        <translation>原固件</translation>
    </message>
    <message>
        <source>AFTER</source>
        <translation>新固件</translation>
    </message>
    <message>
        <source>PACKAGE SHA-256</source>
        <translation>固件包 SHA-256</translation>
    </message>
    <message>
        <source>REASON</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>No upgrade has been recorded yet.</source>
        <translation>还没有固件升级记录。</translation>
    </message>
    <message>
        <source>%1 damaged line(s) of the history were skipped.</source>
        <translation>已跳过历史中 %1 行损坏的记录。</translation>
    </message>
    <message>
        <source>cannot read the history of upgrades: %1</source>
        <translation>无法读取固件升级历史：%1</translation>
    </message>
</context>
</TS>
