#pragma once

// One client connection of the loopback test site: reads requests one after the other (keep-alive and
// pipelining) and plays the answers LocalSite decides, with their delays, drips, hangs and resets.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTimer>

class LocalSite;
class QTcpSocket;

struct LocalSiteAnswer {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    bool hasBody = true; // false for 1xx, 204 and 304: no body and no Content-Length
    QByteArray body;     // the start of the body when it comes from memory
    QString filePath;    // or from this file
    qint64 baseSize = 0; // bytes of the body or the file
    qint64 size = 0;     // bytes sent: the base cut or padded with filler
    bool headOnly = false;
    int delayMs = 0;
    bool hang = false;
    int dripBytes = 0;
    int dripIntervalMs = 0;
    qint64 resetAfter = -1;
    bool close = false;
};

class LocalSiteConnection : public QObject {
    Q_OBJECT

public:
    LocalSiteConnection(LocalSite* site, QTcpSocket* socket);
    ~LocalSiteConnection() override;

private:
    void readIncoming();
    void processRequests();
    bool takeRequest();
    void sendHead();
    void writeBody();
    void drip();
    QByteArray bodyChunk(qint64 offset, qint64 length);
    void bodyDone();
    void finishAnswer();
    void resetWhenSent();

    LocalSite* m_site;
    QTcpSocket* m_socket;
    int m_id;
    QByteArray m_in;
    qint64 m_discard = 0; // request body bytes still to skip
    bool m_busy = false;  // an answer is under way
    bool m_processing = false;
    bool m_closeAfter = false;
    bool m_streaming = false;
    LocalSiteAnswer m_answer;
    qint64 m_limit = 0; // body bytes to send before finishing or resetting
    qint64 m_sent = 0;
    QFile m_file;
    QTimer m_timer;
    int m_resetPolls = 0;
};
