#pragma once

// A small HTTP server on 127.0.0.1 for the feedback tests: it records each
// request and answers it as the test says (or not at all).

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <functional>

namespace wiretest {

struct Request {
    QByteArray method;
    QByteArray path;
    QMap<QByteArray, QByteArray> headers;  // names in lower case
    QByteArray body;
};

// A complete response with a Content-Length; the connection closes after it.
inline QByteArray response(const QByteArray& statusLine, const QByteArray& body = {},
                           const QByteArray& extraHeaders = {}) {
    return "HTTP/1.1 " + statusLine + "\r\nContent-Type: text/plain\r\nContent-Length: "
           + QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

class WireServer : public QObject {
public:
    // Called with the socket once a whole request has arrived; no answer when empty.
    std::function<void(QTcpSocket*)> respond;
    QList<Request> requests;

    WireServer() {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress(QHostAddress::LocalHost));
    }

    QUrl url(const QString& path = QStringLiteral("/feedback-submit.php")) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    void answer(const QByteArray& bytes) {
        respond = [bytes](QTcpSocket* socket) {
            socket->write(bytes);
            socket->disconnectFromHost();
        };
    }

private:
    void read(QTcpSocket* socket) {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) return;
        Request request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < end + 4 + length) return;
        request.body = buffer.mid(end + 4, length);
        m_buffers.remove(socket);
        requests.append(request);
        if (respond) respond(socket);
    }

    QTcpServer m_server;
    QMap<QTcpSocket*, QByteArray> m_buffers;
};

}  // namespace wiretest
