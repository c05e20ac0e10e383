#pragma once

// A small HTTP server on 127.0.0.1 for the image tests: routes by path, counts
// the requests and keeps their headers, and has the odd answers a hostile or
// broken server gives (dropped connections, silence, trickles, floods).

#include "TestMedia.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>
#include <functional>
#include <memory>

namespace imagetest {

struct Request {
    QByteArray path;
    QHash<QByteArray, QByteArray> headers;  // names in lower case
};

// A PNG of one colour.
inline QByteArray pngBytes(int width, int height, QColor colour = Qt::darkCyan) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A small PNG whose header claims width × height pixels (the CRC made right).
inline QByteArray pngClaiming(quint32 width, quint32 height) {
    QByteArray bytes = pngBytes(1, 1);
    // Signature (8), then the IHDR chunk: length (4), type (4), data (13), CRC (4).
    qToBigEndian(width, bytes.data() + 16);
    qToBigEndian(height, bytes.data() + 20);
    quint32 crc = 0xffffffffu;
    for (int i = 12; i < 29; ++i) {
        crc ^= quint8(bytes[i]);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    qToBigEndian(crc ^ 0xffffffffu, bytes.data() + 29);
    return bytes;
}

class LocalImageServer {
public:
    using Handler = std::function<void(QTcpSocket*, const Request&)>;

    LocalImageServer() {
        testsupport::ensureApplication();
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) accept(socket);
        });
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }

    void route(const QByteArray& path, Handler handler) { routes_.insert(path, std::move(handler)); }

    int hits(const QByteArray& path) const {
        return int(std::count_if(requests.cbegin(), requests.cend(), [&](const Request& r) { return r.path == path; }));
    }

    QList<Request> requests;

    // --- answers ---

    static QByteArray head(int status, const QList<QByteArray>& headers) {
        QByteArray text = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n";
        for (const QByteArray& header : headers) text += header + "\r\n";
        return text + "\r\n";
    }

    static Handler respond(int status, QByteArray body, QByteArray type = "image/png",
                           QList<QByteArray> extra = {}) {
        return [=](QTcpSocket* socket, const Request&) {
            QList<QByteArray> headers = extra;
            headers << "Content-Type: " + type << "Content-Length: " + QByteArray::number(body.size());
            socket->write(head(status, headers) + body);
        };
    }

    static Handler redirect(QByteArray location) {
        return respond(302, {}, "text/plain", {"Location: " + location});
    }

    // Closes the connection without a word.
    static Handler drop() {
        return [](QTcpSocket* socket, const Request&) { socket->disconnectFromHost(); };
    }

    // Headers, optionally a body start, then nothing more while the connection stays open.
    static Handler headersThenSilence(qint64 declaredLength, QByteArray start = {}) {
        return [=](QTcpSocket* socket, const Request&) {
            socket->write(head(200, {"Content-Type: image/png",
                                     "Content-Length: " + QByteArray::number(declaredLength)}) + start);
        };
    }

    // One byte every `intervalMs` of a body far longer than is ever sent.
    static Handler trickle(int intervalMs) {
        return [=](QTcpSocket* socket, const Request&) {
            socket->write(head(200, {"Content-Type: image/png", "Content-Length: 1000000"}));
            auto* timer = new QTimer(socket);
            QObject::connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            timer->start(intervalMs);
        };
    }

    // A chunked body without a declared length, written as fast as the reader
    // takes it, up to `offered` bytes; `sent` counts what went out.
    static Handler chunkedFlood(qint64 offered, std::shared_ptr<qint64> sent) {
        return [=](QTcpSocket* socket, const Request&) {
            socket->write(head(200, {"Content-Type: image/png", "Transfer-Encoding: chunked"}));
            const QByteArray chunk(64 * 1024, 'z');
            auto more = [=] {
                while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 256 * 1024 &&
                       *sent < offered) {
                    socket->write(QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n");
                    *sent += chunk.size();
                    if (*sent >= offered) socket->write("0\r\n\r\n");
                }
            };
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
            more();
        };
    }

    // Keeps the answer until the test calls the returned release function.
    static Handler held(Handler inner, std::function<void()>* release) {
        return [=](QTcpSocket* socket, const Request& request) {
            *release = [=, guard = QPointer<QTcpSocket>(socket)] {
                if (guard) inner(guard, request);
            };
        };
    }

private:
    void accept(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            *buffer += socket->readAll();
            // One connection may carry one request after another.
            for (qsizetype end; (end = buffer->indexOf("\r\n\r\n")) >= 0;) {
                const QList<QByteArray> lines = buffer->left(end).split('\n');
                buffer->remove(0, end + 4);
                Request request;
                request.path = lines.value(0).trimmed().split(' ').value(1);
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const qsizetype colon = lines[i].indexOf(':');
                    if (colon > 0)
                        request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                               lines[i].mid(colon + 1).trimmed());
                }
                requests.append(request);
                const auto handler = routes_.constFind(request.path);
                if (handler != routes_.constEnd())
                    (*handler)(socket, request);
                else
                    respond(404, "not here", "text/plain")(socket, request);
            }
        });
    }

    QTcpServer server_;
    QHash<QByteArray, Handler> routes_;
};

// Answers one request with a body that never ends, from a thread of its own, so
// that it goes on writing whatever the test's thread is doing: chunked, or without
// a length until the connection closes. Stops when the reader goes away.
class EndlessBodyServer {
public:
    enum class Framing { chunked, untilClose };

    explicit EndlessBodyServer(Framing framing) {
        std::promise<quint16> port;
        std::future<quint16> listening = port.get_future();
        thread_ = std::thread([this, framing, port = std::move(port)]() mutable { serve(framing, port); });
        port_ = listening.get();
    }
    ~EndlessBodyServer() {
        stop_ = true;
        thread_.join();
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/endless").arg(port_)); }
    qint64 sent() const { return sent_; }

private:
    void serve(Framing framing, std::promise<quint16>& port) {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port.set_value(server.serverPort());
        while (!stop_ && !server.waitForNewConnection(50)) {}
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        if (!socket) return;
        QByteArray request;
        while (!stop_ && !request.contains("\r\n\r\n") && socket->state() == QAbstractSocket::ConnectedState)
            if (socket->waitForReadyRead(50)) request += socket->readAll();
        socket->write(framing == Framing::chunked
                          ? LocalImageServer::head(200, {"Content-Type: image/png", "Transfer-Encoding: chunked"})
                          : LocalImageServer::head(200, {"Content-Type: image/png", "Connection: close"}));
        const QByteArray block(64 * 1024, 'e');
        const QByteArray piece = framing == Framing::chunked
                                     ? QByteArray::number(block.size(), 16) + "\r\n" + block + "\r\n"
                                     : block;
        while (!stop_ && socket->state() == QAbstractSocket::ConnectedState) {
            if (socket->bytesToWrite() < 256 * 1024) {
                socket->write(piece);
                sent_ += block.size();
            }
            socket->waitForBytesWritten(50);
        }
    }

    std::thread thread_;
    quint16 port_ = 0;
    std::atomic<bool> stop_ = false;
    std::atomic<qint64> sent_ = 0;
};

}  // namespace imagetest
