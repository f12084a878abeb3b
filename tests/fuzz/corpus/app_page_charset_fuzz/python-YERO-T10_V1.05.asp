application/octet-stream<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>YERO-T10 V1.05 固件说明</title>
</head>
<body bgcolor="#ffffff">
<h3>YERO T10 数码音乐播放器 (128MB/256MB)</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>YERO-T10</td></tr>
<tr><td>固件版本</td><td>V1.05</td></tr>
<tr><td>发布日期</td><td>2005-09-12</td></tr>
<tr><td>固件包大小</td><td>6145 KB</td></tr>
</table>
<p><b>更新内容：</b>修正歌词显示错位，增加录音音量调节</p>
<ul>
<li>修正部分歌曲歌词显示错位的问题</li>
<li>增加录音音量调节（低/中/高三档）</li>
<li>改善关机后待机电流，延长电池使用时间</li>
</ul>
<p><font color="#c00000">注意：升级固件会清除播放器中的设置，升级过程中请勿断开USB连接线。</font></p>
</body>
</html>
