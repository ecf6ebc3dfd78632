// SIGTERM, SIGINT and SIGHUP as a Qt signal: a desktop session that logs
// out, or a user pressing Ctrl+C in a terminal, ends the program through
// its quit sequence (settings saved, transfers stopped) instead of killing
// it mid-write.
#pragma once

#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    // On the GUI thread, once for each batch of signals received.
    void emitReceived();

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};
