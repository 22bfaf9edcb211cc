#include "localsite/localsite.h"

#include "localsite/localcertificates.h"
#include "localsite/localsiteconnection.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLocale>
#include <QMutexLocker>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

QByteArray contentTypeFor(const QString& fileName) {
    // Files named for a query ("book.php@id=3") take the type of the part before the '@'.
    const QString name = fileName.section(u'@', 0, 0);
    const QString ext = name.section(u'.', -1).toLower();
    if (!name.contains(u'.'))
        return "application/octet-stream";
    static const QHash<QString, QByteArray> types = {
        {"html", "text/html"},        {"htm", "text/html"},    {"shtml", "text/html"},
        {"php", "text/html"},         {"asp", "text/html"},    {"aspx", "text/html"},
        {"jsp", "text/html"},         {"txt", "text/plain"},   {"js", "application/x-javascript"},
        {"css", "text/css"},          {"xml", "text/xml"},     {"rss", "application/rss+xml"},
        {"json", "application/json"}, {"jpg", "image/jpeg"},   {"jpeg", "image/jpeg"},
        {"png", "image/png"},         {"gif", "image/gif"},    {"bmp", "image/bmp"},
        {"webp", "image/webp"},       {"ico", "image/x-icon"}, {"zip", "application/zip"},
    };
    return types.value(ext, "application/octet-stream");
}

QByteArray encodeBody(const QString& text, const QByteArray& encoding) {
    const QByteArray name = encoding.toLower();
    if (name.isEmpty() || name == "utf-8" || name == "utf8")
        return text.toUtf8();
    // Novel sites that say gbk or gb2312 mean the whole GB18030 range.
    QStringEncoder encoder(name == "gbk" || name == "gb2312" ? "GB18030" : encoding.constData());
    if (!encoder.isValid()) {
        qWarning("localsite: unknown encoding %s, sending UTF-8", encoding.constData());
        return text.toUtf8();
    }
    return encoder(text);
}

QByteArray errorPage(int status) {
    const QByteArray code = QByteArray::number(status);
    return "<html><head><title>" + code + "</title></head><body><h1>" + code + "</h1></body></html>\n";
}

QByteArray httpDate() {
    return QLocale::c()
        .toString(QDateTime::currentDateTimeUtc(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
        .toLatin1();
}

} // namespace

QByteArray LocalSiteRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return QByteArray();
}

LocalSite::LocalSite(const QString& folder, QObject* parent)
    : QObject(parent) {
    const QFileInfo info(folder);
    m_root = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
}

LocalSite::~LocalSite() {
    close();
}

bool LocalSite::listen(quint16 port, bool https) {
    close();
    if (!QFileInfo(m_root).isDir()) {
        m_error = tr("文件夹不存在：%1").arg(m_root);
        return false;
    }
    if (https) {
        const LocalCertificates& certificates = LocalCertificates::shared();
        if (!QSslSocket::supportsSsl()) {
            m_error = tr("Qt 的 TLS 后端不可用：%1").arg(QSslSocket::sslLibraryVersionString());
            return false;
        }
        if (!certificates.isValid()) {
            m_error = tr("无法生成测试证书：%1").arg(certificates.errorString());
            return false;
        }
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(QSslCertificate(certificates.certificatePem(), QSsl::Pem));
        tls.setPrivateKey(QSslKey(certificates.keyPem(), QSsl::Ec, QSsl::Pem));
        tls.setPeerVerifyMode(QSslSocket::VerifyNone); // clients show no certificates
        tls.setAllowedNextProtocols({QSslConfiguration::NextProtocolHttp1_1});
        auto* server = new QSslServer(this);
        server->setSslConfiguration(tls);
        server->setHandshakeTimeout(30000); // a loaded test machine can be slow to shake hands
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    // A TLS connection is pending only once its handshake is done, long after newConnection.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &LocalSite::acceptConnections);
    if (!m_server->listen(QHostAddress::LocalHost, port)) {
        m_error = tr("无法在端口 %1 上监听：%2").arg(port).arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_error.clear();
    m_https = https;
    m_port = m_server->serverPort();
    loadAllRulesFiles();
    return true;
}

void LocalSite::close() {
    delete m_server;
    m_server = nullptr;
    m_port = 0;
    m_https = false;
    qDeleteAll(findChildren<LocalSiteConnection*>(QString(), Qt::FindDirectChildrenOnly));
}

QString LocalSite::baseUrl() const {
    return QStringLiteral("%1://127.0.0.1:%2/").arg(isHttps() ? "https" : "http").arg(port());
}

QByteArray LocalSite::caPem() {
    return LocalCertificates::shared().caPem();
}

QString LocalSite::caFile() {
    return LocalCertificates::sharedCaFile();
}

QString LocalSite::url(const QString& path) const {
    return baseUrl() + (path.startsWith(u'/') ? path.mid(1) : path);
}

void LocalSite::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection())
        new LocalSiteConnection(this, socket);
}

bool LocalSite::isInside(const QString& path) const {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && (canonical == m_root || canonical.startsWith(m_root + u'/'));
}

const LocalSiteRules* LocalSite::rulesFileAt(const QString& dir) {
    const QString path = dir + u'/' + QLatin1String(LocalSiteRules::kFileName);
    QFile file(path);
    if (!file.exists() || !isInside(path) || !file.open(QIODevice::ReadOnly)) {
        m_rulesFiles.remove(path);
        return nullptr;
    }
    // Read on every request so an edited file takes effect at once; it is parsed again only when changed.
    const QByteArray content = file.readAll();
    auto it = m_rulesFiles.find(path);
    if (it == m_rulesFiles.end() || it->content != content) {
        RulesFile parsed;
        parsed.content = content;
        QStringList errors;
        parsed.rules.parse(QString::fromUtf8(content), &errors);
        const QString name = QDir(m_root).relativeFilePath(path);
        for (const QString& e : std::as_const(errors)) {
            parsed.errors << name + u' ' + e;
            qWarning("localsite: %s %s", qPrintable(name), qPrintable(e));
        }
        it = m_rulesFiles.insert(path, std::move(parsed));
    }
    return &it->rules;
}

void LocalSite::loadAllRulesFiles() {
    QMutexLocker lock(&m_mutex);
    QDirIterator it(m_root, {QLatin1String(LocalSiteRules::kFileName)}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        rulesFileAt(QFileInfo(it.next()).absolutePath());
}

QStringList LocalSite::ruleErrors() const {
    QMutexLocker lock(&m_mutex);
    QStringList keys = m_rulesFiles.keys();
    keys.sort();
    QStringList errors;
    for (const QString& key : std::as_const(keys))
        errors += m_rulesFiles.value(key).errors;
    return errors;
}

void LocalSite::setRule(const QString& pattern, const LocalSiteRule& rule) {
    QMutexLocker lock(&m_mutex);
    m_codeRules.set(pattern, rule);
}

bool LocalSite::setRules(const QString& rulesText, QStringList* errors) {
    LocalSiteRules parsed;
    const bool ok = parsed.parse(rulesText, errors);
    QMutexLocker lock(&m_mutex);
    // Later sections of the text must still win over earlier ones, and all of them over older rules.
    const QStringList patterns = parsed.patterns();
    for (auto it = patterns.crbegin(); it != patterns.crend(); ++it)
        m_codeRules.set(*it, *parsed.rule(*it));
    return ok;
}

void LocalSite::removeRule(const QString& pattern) {
    QMutexLocker lock(&m_mutex);
    m_codeRules.remove(pattern);
}

void LocalSite::clearRules() {
    QMutexLocker lock(&m_mutex);
    m_codeRules.clear();
}

void LocalSite::record(const LocalSiteRequest& request) {
    {
        QMutexLocker lock(&m_mutex);
        ++m_total;
        const QString key = request.query.isEmpty() ? request.path : request.path + u'?' + request.query;
        Counter& counter = m_counters[key];
        counter.path = request.path;
        counter.query = request.query;
        ++counter.count;
        m_log.append(request);
        if (m_log.size() > kLogLimit)
            m_log.remove(0, m_log.size() - kLogLimit);
    }
    Q_EMIT requestReceived(request);
}

int LocalSite::requestCount(const QString& pattern) const {
    LocalSiteRules one;
    one.set(pattern, {});
    QMutexLocker lock(&m_mutex);
    int count = 0;
    for (const Counter& c : m_counters)
        if (one.match(c.path, c.query))
            count += c.count;
    return count;
}

int LocalSite::totalRequests() const {
    QMutexLocker lock(&m_mutex);
    return m_total;
}

QList<LocalSiteRequest> LocalSite::requests(const QString& pattern) const {
    LocalSiteRules one;
    one.set(pattern, {});
    QMutexLocker lock(&m_mutex);
    QList<LocalSiteRequest> list;
    for (const LocalSiteRequest& r : m_log)
        if (one.match(r.path, r.query))
            list << r;
    return list;
}

LocalSiteRequest LocalSite::lastRequest(const QString& pattern) const {
    LocalSiteRules one;
    one.set(pattern, {});
    QMutexLocker lock(&m_mutex);
    for (auto it = m_log.crbegin(); it != m_log.crend(); ++it)
        if (one.match(it->path, it->query))
            return *it;
    return LocalSiteRequest();
}

void LocalSite::resetStatistics() {
    QMutexLocker lock(&m_mutex);
    m_total = 0;
    m_counters.clear();
    m_log.clear();
}

LocalSiteAnswer LocalSite::errorAnswer(LocalSiteRequest& request, int status) {
    LocalSiteAnswer a;
    a.status = status;
    a.body = errorPage(status);
    a.baseSize = a.size = a.body.size();
    a.headers = {{"Server", "localsite"}, {"Date", httpDate()}, {"Content-Type", "text/html"}};
    if (request.path.isEmpty())
        request.path = QString::fromUtf8(request.target);
    request.status = status;
    record(request);
    return a;
}

LocalSite::FoundRule LocalSite::findRule(const QStringList& segments, const QString& trailing,
                                         const QString& query) {
    // From code first, then the rules file nearest to the file, then those of the folders above it.
    FoundRule found;
    found.folder = m_root;
    QMutexLocker lock(&m_mutex);
    const QString path = u'/' + segments.join(u'/') + trailing;
    if (const auto m = m_codeRules.match(path, query)) {
        found.rule = *m->rule;
        found.captures = m->captures;
        return found;
    }
    QStringList folders = {m_root};
    for (const QString& segment : segments) {
        const QString next = folders.last() + u'/' + segment;
        if (!QFileInfo(next).isDir())
            break;
        folders << next;
    }
    for (qsizetype depth = folders.size() - 1; depth >= 0; --depth) {
        const LocalSiteRules* rules = rulesFileAt(folders.at(depth));
        if (!rules)
            continue;
        const QString below = segments.mid(depth).join(u'/');
        if (const auto m = rules->match(u'/' + below + (below.isEmpty() ? QString() : trailing), query)) {
            found.rule = *m->rule;
            found.captures = m->captures;
            found.folder = folders.at(depth);
            found.folderUrl = depth == 0 ? QString() : u'/' + segments.mid(0, depth).join(u'/');
            return found;
        }
    }
    return found;
}

LocalSiteAnswer LocalSite::answer(LocalSiteRequest& request, bool headOnly) {
    if (request.method != "GET" && request.method != "HEAD") {
        LocalSiteAnswer a = errorAnswer(request, 405);
        a.headers.append({QByteArray("Allow"), QByteArray("GET, HEAD")});
        return a;
    }

    // An absolute-form target ("http://host/path") is taken by its path.
    QByteArray target = request.target;
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype slash = target.indexOf('/', target.indexOf("//") + 2);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    if (const qsizetype hash = target.indexOf('#'); hash >= 0)
        target.truncate(hash);
    const qsizetype mark = target.indexOf('?');
    const QByteArray rawPath = mark < 0 ? target : target.left(mark);
    const QByteArray rawQuery = mark < 0 ? QByteArray() : target.mid(mark + 1);
    request.query =
        rawQuery.isEmpty() ? QString() : QString::fromUtf8(QByteArray::fromPercentEncoding(rawQuery));

    const QByteArray decodedPath = QByteArray::fromPercentEncoding(rawPath);
    request.path = QString::fromUtf8(decodedPath);
    if (!rawPath.startsWith('/') || decodedPath.contains('\0') || decodedPath.contains('\\'))
        return errorAnswer(request, 400);
    QStringList segments;
    for (const QString& segment : request.path.split(u'/', Qt::SkipEmptyParts)) {
        if (segment == u"..")
            return errorAnswer(request, 403);
        if (segment != u".")
            segments << segment;
    }
    const bool trailingSlash = request.path.endsWith(u'/') && !segments.isEmpty();
    const QString trailing = trailingSlash ? QStringLiteral("/") : QString();
    request.path = u'/' + segments.join(u'/') + trailing;

    FoundRule found = findRule(segments, trailing, request.query);
    if (found.rule.times > 0) {
        const QString key = request.query.isEmpty() ? request.path : request.path + u'?' + request.query;
        QMutexLocker lock(&m_mutex);
        if (m_counters.value(key).count >= found.rule.times)
            found.rule = LocalSiteRule();
    }
    LocalSiteRule& rule = found.rule;
    const QString& ruleFolder = found.folder;
    const QString& folderUrl = found.folderUrl;
    const QStringList& captures = found.captures;

    const QString base = baseUrl().chopped(1);
    auto fill = [&](QString text) {
        text.replace(QLatin1String("{base}"), base).replace(QLatin1String("{dir}"), folderUrl);
        for (int i = 1; i <= 9; ++i)
            text.replace(QStringLiteral("{%1}").arg(i), captures.value(i - 1));
        return text;
    };

    // The file: the rule's own, or the one at the path; a query picks "name@query" when it exists.
    QString filePath = rule.file.isEmpty() ? m_root + u'/' + segments.join(u'/')
                                           : QDir::cleanPath(ruleFolder + u'/' + fill(rule.file));
    const bool hasOwnContent = !rule.bodyLocation.isEmpty() || rule.body || !rule.location.isEmpty();
    if (QFileInfo(filePath).isDir()) {
        if (rule.file.isEmpty() && !hasOwnContent && !segments.isEmpty() && !trailingSlash) {
            // Relative links of a folder's index page only work below "folder/".
            rule.status = rule.status ? rule.status : 301;
            rule.location =
                request.path + u'/' + (rawQuery.isEmpty() ? QString() : u'?' + QString::fromUtf8(rawQuery));
        }
        filePath += QLatin1String("/index.html");
    }
    if (!request.query.isEmpty() && !request.query.contains(u'/')) {
        const QString withQuery = filePath + u'@' + request.query;
        if (QFileInfo(withQuery).isFile())
            filePath = withQuery;
    }
    const QFileInfo file(filePath);
    const bool fileExists = file.isFile() && file.fileName() != QLatin1String(LocalSiteRules::kFileName);
    if (fileExists && !isInside(filePath))
        return errorAnswer(request, 403); // a link that leads out of the folder

    LocalSiteAnswer a;
    a.headOnly = headOnly;
    QByteArray type;
    bool hasContent = true;
    if (!rule.bodyLocation.isEmpty()) {
        // A page that sends the browser on by script, the way some sites hide their chapter addresses.
        a.body = encodeBody(QLatin1String("<html><head><script type=\"text/javascript\">window.location=\"") +
                                fill(rule.bodyLocation) +
                                QLatin1String("\";</script></head><body></body></html>\n"),
                            rule.encoding);
        type = "text/html";
    } else if (rule.body) {
        a.body = encodeBody(fill(*rule.body), rule.encoding);
        type = "text/html";
    } else if (fileExists) {
        a.filePath = filePath;
        a.baseSize = file.size();
        type = contentTypeFor(file.fileName());
    } else {
        hasContent = false;
    }
    a.status = rule.status ? rule.status : !rule.location.isEmpty() ? 302 : hasContent ? 200 : 404;
    if (!hasContent && a.status >= 300) {
        a.body = errorPage(a.status);
        type = "text/html";
    }
    if (a.filePath.isEmpty())
        a.baseSize = a.body.size();
    a.size = rule.size >= 0 ? rule.size : a.baseSize;
    a.hasBody = a.status >= 200 && a.status != 204 && a.status != 304;

    a.headers = {{"Server", "localsite"}, {"Date", httpDate()}};
    if (rule.contentType)
        type = *rule.contentType;
    if (!type.isEmpty())
        a.headers.append({QByteArray("Content-Type"), type});
    if (!rule.location.isEmpty())
        a.headers.append({QByteArray("Location"), fill(rule.location).toUtf8()});
    for (const auto& [name, value] : std::as_const(rule.headers))
        a.headers.append({name, fill(QString::fromUtf8(value)).toUtf8()});

    a.delayMs = rule.delayMs;
    a.hang = rule.hang;
    a.dripBytes = rule.dripBytes;
    a.dripIntervalMs = rule.dripIntervalMs;
    a.resetAfter = rule.resetAfter;
    a.close = rule.close;

    request.status = rule.hang ? 0 : a.status;
    record(request);
    return a;
}
