document.write('<a href="http://ad.union-click.test/go?id=7" target="_blank"><img src="http://ad.union-click.test/banner.gif" border="0"></a>');
