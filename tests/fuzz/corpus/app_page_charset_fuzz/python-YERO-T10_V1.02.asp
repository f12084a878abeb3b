application/octet-stream<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>YERO-T10 V1.02 固件说明</title>
</head>
<body bgcolor="#ffffff">
<h3>YERO T10 数码音乐播放器 (128MB/256MB)</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>YERO-T10</td></tr>
<tr><td>固件版本</td><td>V1.02</td></tr>
<tr><td>发布日期</td><td>2005-06-20</td></tr>
<tr><td>固件包大小</td><td>192 KB</td></tr>
</table>
<p><b>更新内容：</b>首个公开发布的固件</p>
<ul>
<li>首个公开发布的固件版本</li>
<li>支持 MP3 / WMA 音乐播放</li>
<li>支持 FM 收音和数码录音</li>
</ul>
<p><font color="#c00000">注意：升级固件会清除播放器中的设置，升级过程中请勿断开USB连接线。</font></p>
</body>
</html>
