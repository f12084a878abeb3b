text/html; charset=gb2312<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>YERO-T20 V2.01 固件说明</title>
</head>
<body bgcolor="#ffffff">
<h3>YERO T20 彩屏数码音乐播放器 (512MB)</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>YERO-T20</td></tr>
<tr><td>固件版本</td><td>V2.01</td></tr>
<tr><td>发布日期</td><td>2005-10-08</td></tr>
<tr><td>固件包大小</td><td>320 KB</td></tr>
</table>
<p><b>更新内容：</b>增加电子书功能，修正 FM 搜台问题</p>
<ul>
<li>增加 TXT 电子书阅读功能</li>
<li>修正 FM 自动搜台偶尔漏台的问题</li>
<li>优化菜单操作速度</li>
</ul>
<p><font color="#c00000">注意：升级固件会清除播放器中的设置，升级过程中请勿断开USB连接线。</font></p>
</body>
</html>
