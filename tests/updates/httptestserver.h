#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

/// An HTTP server on 127.0.0.1 that gives every request the same answer.
class HttpTestServer : public QObject
{
public:
    enum class Mode {
        Answer, ///< status and body, with their length
        Silent, ///< accepts, reads the request and never answers
        Stream, ///< 200 and streamBytes of filler without a length, sent as fast as the client reads
    };

    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray body;
    qint64 streamBytes = 0;
    int requests = 0;
    qint64 bytesSent = 0;

    [[nodiscard]] bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    void close() { m_server.close(); }
    [[nodiscard]] QUrl url(const QString &path = u"/appcast.xml"_s) const
    {
        return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
    }

    HttpTestServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                auto request = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                    *request += socket->readAll();
                    if (request->contains("\r\n\r\n") && !socket->property("answered").toBool()) {
                        socket->setProperty("answered", true);
                        ++requests;
                        answer(socket);
                    }
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

private:
    void answer(QTcpSocket *socket)
    {
        switch (mode) {
        case Mode::Silent:
            return;
        case Mode::Answer:
            socket->write(u"HTTP/1.1 %1 Status\r\nContent-Type: application/rss+xml\r\nContent-Length: %2\r\n"
                          u"Connection: close\r\n\r\n"_s.arg(status).arg(body.size()).toLatin1()
                          + body);
            socket->disconnectFromHost();
            return;
        case Mode::Stream: {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\nConnection: close\r\n\r\n<rss><channel>");
            // Writes a chunk whenever the last one has gone, so neither side holds the whole body.
            connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket](qint64 written) {
                bytesSent += written;
                if (socket->bytesToWrite() == 0 && bytesSent < streamBytes)
                    socket->write(QByteArray(64 * 1024, 'x'));
            });
            return;
        }
        }
    }

    QTcpServer m_server;
};
