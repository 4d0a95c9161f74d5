#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 for tests that need a web service: every request gets the
// same configured reply, and the request lines are recorded. Test code only.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Reply, CloseWithoutReply, NeverReply };

    explicit LocalHttpServer(QObject* parent = nullptr);

    bool listen();
    QString address() const;

    void setReply(int status, const QByteArray& body);
    void setMode(Mode mode) { m_mode = mode; }
    // Sends the reply this many milliseconds after the request.
    void setDelay(int milliseconds) { m_delay = milliseconds; }

    // "GET /path HTTP/1.1" of every request received.
    QStringList requests() const { return m_requests; }

signals:
    void requestReceived();

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    Mode m_mode = Mode::Reply;
    int m_status = 200;
    QByteArray m_body;
    int m_delay = 0;
    QStringList m_requests;
};
