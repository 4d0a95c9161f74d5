#include "localhttpserver.h"

#include <QTcpSocket>
#include <QTimer>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool LocalHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LocalHttpServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LocalHttpServer::setReply(int status, const QByteArray& body)
{
    m_status = status;
    m_body = body;
}

void LocalHttpServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n"))
        return;
    m_requests.append(QString::fromLatin1(request.left(request.indexOf("\r\n"))));
    emit requestReceived();

    if (m_mode == Mode::NeverReply)
        return;
    if (m_mode == Mode::CloseWithoutReply) {
        socket->abort();
        return;
    }
    const QByteArray reply = "HTTP/1.1 " + QByteArray::number(m_status) +
                             " Reply\r\nContent-Type: application/json\r\nContent-Length: " +
                             QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" +
                             m_body;
    QTimer::singleShot(m_delay, socket, [socket, reply] {
        socket->write(reply);
        socket->disconnectFromHost();
    });
}
