application/octet-stream<html>
<head>
<title>YERO-T20 V2.00 固件说明</title>
</head>
<body bgcolor="#ffffff">
<h3>YERO T20 彩屏数码音乐播放器 (512MB)</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>YERO-T20</td></tr>
<tr><td>固件版本</td><td>V2.00</td></tr>
<tr><td>发布日期</td><td>2005-08-15</td></tr>
<tr><td>固件包大小</td><td>256 KB</td></tr>
</table>
<p><b>更新内容：</b>首个公开发布的固件</p>
<ul>
<li>首个公开发布的固件版本</li>
<li>支持 65K 色彩屏显示歌曲信息</li>
</ul>
<p><font color="#c00000">注意：升级固件会清除播放器中的设置，升级过程中请勿断开USB连接线。</font></p>
</body>
</html>
