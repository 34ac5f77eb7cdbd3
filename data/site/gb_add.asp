<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>Meridane 网上留言</title>
<style>
body { font-family: "Noto Serif CJK SC", "SimSun", serif; background: #D5DEF2; margin: 2em; }
form { background: #fff; padding: 1em 1.5em; max-width: 36em; border: 1px solid #8AA0C8; }
label { display: block; margin-top: .8em; }
input, textarea { width: 100%; }
</style>
</head>
<body>
<h1>网上留言</h1>
<p>欢迎对 Meridane 的资料与功能提出意见和建议。</p>
<form method="post" action="gb_add.asp">
<label>姓名 <input name="name" maxlength="40"></label>
<label>电子邮件 <input name="email" type="email" maxlength="80"></label>
<label>留言内容 <textarea name="content" rows="8"></textarea></label>
<p><button type="submit">提交留言</button></p>
</form>
</body>
</html>
