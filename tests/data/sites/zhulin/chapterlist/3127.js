// 章节目录由后台自动生成，请勿手工修改
document.write('<dl class="chapter">');
document.write('<dt>正文 第一卷 江南</dt>');
printlist_m('60001.html', '第一章 陌上花开');
printlist_m('60002.html', '第二章 烟雨楼');
printlist_m('60003.html', '第三章 故人来信');
document.write('<dt>正文 第二卷 塞北</dt>');
printlist_m('60004.html', '第四章 孤城');
document.write('</dl>');

function printlist_m(url, title) {
    document.write('<dd><a href="' + url + '" title="' + title + '">' + title + '</a></dd>');
}
