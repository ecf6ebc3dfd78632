// One running program per user. The first start listens on a local socket
// in the user's runtime folder; a later start hands its command-line
// arguments (page addresses, media files) to it and exits. A socket left
// behind by a crash is taken over.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QStringList>

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // How long a later start waits for the running program to take its
    // arguments.
    static constexpr int kHandOffTimeoutMs = 3000;

    explicit SingleInstance(QObject* parent = nullptr);

    // The socket's path: the user's runtime folder and a fixed name.
    static QString socketPath();

    // Gives `arguments` to a running instance; true once it has confirmed
    // them (the caller then exits), false when none answers.
    static bool handOff(const QStringList& arguments);

    // Becomes the running instance; a stale socket is removed first. False,
    // with errorString(), when the socket cannot be made.
    bool listen();
    QString errorString() const { return m_server.errorString(); }

signals:
    // A later start handed these over (possibly none: it only asks for the
    // window).
    void argumentsReceived(const QStringList& arguments);

private:
    void acceptConnection();

    QLocalServer m_server;
};
