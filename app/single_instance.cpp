// Single-instance rule on QLockFile and QLocalServer.
#include "app/single_instance.h"

#include <QDir>
#include <QLocalSocket>

namespace quorvel::app {

namespace {

constexpr int kAskTimeoutMs = 2000;
constexpr char kActivate[] = "activate\n";

}  // namespace

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("activate") && activate_) {
                    activate_();
                }
                socket->disconnectFromServer();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

SingleInstance::~SingleInstance() {
    server_.close();
}

bool SingleInstance::claim() {
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    lock_->setStaleLockTime(0);  // QLockFile takes over the lock of a process that died
    if (!lock_->tryLock(0)) {
        // Another instance holds the name. When its window answers, it comes forward and this
        // start ends; when nothing answers, this instance carries on without the name.
        lock_.reset();
        return !askFirstInstance();
    }
    QLocalServer::removeServer(name_);  // a socket file left by a crash
    server_.listen(name_);
    return true;
}

bool SingleInstance::askFirstInstance() {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kAskTimeoutMs)) {
        return false;
    }
    socket.write(kActivate);
    socket.waitForBytesWritten(kAskTimeoutMs);
    socket.waitForDisconnected(kAskTimeoutMs);
    return true;
}

}  // namespace quorvel::app
