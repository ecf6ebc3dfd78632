#include "app/single_instance.h"

#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

constexpr char kAck = '1';
// No list of addresses and files is this long; a client that sends more is
// cut off.
constexpr qint64 kMaxMessageBytes = 1 << 20;

}  // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnection);
}

QString SingleInstance::socketPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + "/clipwright-instance";
}

bool SingleInstance::handOff(const QStringList& arguments) {
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kHandOffTimeoutMs))
        return false;
    QByteArray message;
    QDataStream out(&message, QIODevice::WriteOnly);
    out << arguments;
    socket.write(message);
    if (!socket.waitForBytesWritten(kHandOffTimeoutMs))
        return false;
    // The running program confirms once it has the whole list.
    while (socket.bytesAvailable() == 0) {
        if (!socket.waitForReadyRead(kHandOffTimeoutMs))
            return false;
    }
    return socket.read(1) == QByteArray(1, kAck);
}

bool SingleInstance::listen() {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (m_server.listen(socketPath()))
        return true;
    // Nobody answered handOff(), so a socket that is there is stale.
    QLocalServer::removeServer(socketPath());
    return m_server.listen(socketPath());
}

void SingleInstance::acceptConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList arguments;
            in >> arguments;
            if (!in.commitTransaction()) {
                if (socket->bytesAvailable() > kMaxMessageBytes)
                    socket->abort();
                return;  // the rest is still on its way
            }
            socket->write(QByteArray(1, kAck));
            socket->flush();
            emit argumentsReceived(arguments);
        });
    }
}
