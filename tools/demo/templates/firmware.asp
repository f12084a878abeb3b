<html>
<head>
$meta<title>$model $version 固件说明</title>
</head>
<body bgcolor="#ffffff">
<h3>$title</h3>
<table border="1" cellspacing="0" cellpadding="3">
<tr><td>机型</td><td>$model</td></tr>
<tr><td>固件版本</td><td>$version</td></tr>
<tr><td>发布日期</td><td>$date</td></tr>
<tr><td>固件包大小</td><td>$size_kb KB</td></tr>
</table>
<p><b>更新内容：</b>$summary</p>
<ul>
$changes
</ul>
<p><font color="#c00000">注意：升级固件会清除播放器中的设置，升级过程中请勿断开USB连接线。</font></p>
</body>
</html>
