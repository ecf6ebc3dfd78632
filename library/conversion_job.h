// One conversion of a media file through the media engine, with the output
// format table and naming that the command line shares: started, polled
// every 500 ms, paused, continued, cancelled or discarded. The engine's
// converter exists only while the job converts or is paused.
//
// GUI thread only; the engine runs the job on a thread of its own.
#pragma once

#include <QObject>
#include <QString>

class QTimer;

class ConversionJob : public QObject {
    Q_OBJECT
public:
    enum State { Idle = 0, Converting = 1, Paused = 2, Finished = 3 };
    static constexpr int kPollIntervalMs = 500;

    explicit ConversionJob(QObject* parent = nullptr);
    // Discards a job still running or paused (its partial output goes).
    ~ConversionJob() override;

    // Starts converting `source` to the output format `formatName` (any
    // case) into `convertDir` (created when missing). Returns an empty
    // text on success, otherwise why nothing was started (an unknown
    // format, a folder that cannot be made, the engine's refusal).
    QString start(const QString& source, const QString& formatName, const QString& convertDir);
    void pause();
    void resume();
    // Stops the job; what was written so far stays under the output name.
    void cancel();
    // Stops the job and removes its partial output (the row goes away).
    void discard();

    State state() const { return m_state; }
    bool isActive() const { return m_state == Converting || m_state == Paused; }
    const QString& outputPath() const { return m_outputPath; }
    // The output's extension, for the row's caption.
    const QString& extension() const { return m_extension; }
    double percent() const { return m_percent; }

signals:
    void stateChanged(int state);
    void progressChanged(double percent);
    // The whole source was converted into `outputPath`.
    void finished(QString outputPath);
    // The job ended on an error; its output was removed.
    void failed(QString reason);

public slots:
    // One poll of the engine (the timer's slot).
    void poll();

private:
    void setState(State state);
    void release();
    void fail(const QString& reason);

    State m_state = Idle;
    unsigned m_converter = 0;  // kestrel_handle
    QString m_outputPath;
    QString m_extension;
    double m_percent = 0;
    QTimer* m_timer = nullptr;
};
