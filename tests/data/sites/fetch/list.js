document.write("<a href=\"1001.html\">²Ä¤@³¹ Às¤§¨¦</a>");
