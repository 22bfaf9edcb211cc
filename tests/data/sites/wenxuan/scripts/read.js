/* уб╫за╢╫с */
function showchapter(aid, cid, title) {
    document.write('<li><a href="javascript:openChapter(' + aid + ',' + cid + ')">' + title + '</a></li>');
}

function openChapter(aid, cid) {
    window.location.href = "/files/article/html/9/" + aid + "/" + cid + ".html";
}
