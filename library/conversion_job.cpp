#include "library/conversion_job.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/preferences_store.h"
#include "kestrel/kestrel.h"
#include "library/formats/format_table.h"

ConversionJob::ConversionJob(QObject* parent) : QObject(parent) {}

ConversionJob::~ConversionJob() {
    discard();
}

QString ConversionJob::start(const QString& source, const QString& formatName,
                             const QString& convertDir) {
    if (isActive())
        return "a conversion of this file is already running";
    const formats::OutputFormat* format = formats::findOutputFormat(formatName.toStdString());
    if (!format)
        return QString("\"%1\" is not an output format this program knows").arg(formatName);
    if (!PreferencesStore::ensureFolder(convertDir))
        return QString("the folder %1 cannot be created").arg(convertDir);
    const std::string target =
        formats::outputPathFor(source.toStdString(), convertDir.toStdString(), format->extension);
    std::string failure;
    const kestrel_handle converter =
        formats::openConversion(*format, source.toStdString(), target, &failure);
    if (!converter) {
        qDebug("---------open fail---");
        return QString::fromStdString(failure);
    }
    m_converter = converter;
    m_outputPath = QString::fromStdString(target);
    m_extension = QString::fromUtf8(format->extension.data(), qsizetype(format->extension.size()));
    m_percent = 0;
    if (!Converter_Start(m_converter)) {
        // Reported as a failure, never as a job that runs: nothing would
        // ever finish it.
        qDebug("---------convert fail");
        const QString reason = QString::fromUtf8(Converter_GetErrorText(m_converter));
        release();
        QFile::remove(m_outputPath);
        return reason.isEmpty() ? QString("the conversion did not start") : reason;
    }
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(kPollIntervalMs);
        connect(m_timer, &QTimer::timeout, this, &ConversionJob::poll);
    }
    m_timer->start();
    setState(Converting);
    emit progressChanged(0);
    return {};
}

void ConversionJob::poll() {
    if (m_state != Converting)
        return;
    const int completed = Converter_IsCompleted(m_converter);
    if (completed == 1) {
        m_timer->stop();
        m_percent = 100;
        emit progressChanged(100);
        qDebug("finish");
        release();
        setState(Finished);
        emit finished(m_outputPath);
    } else if (completed < 0) {
        const QString reason = QString::fromUtf8(Converter_GetErrorText(m_converter));
        fail(reason.isEmpty() ? QString("the conversion failed") : reason);
    } else {
        const qint64 total = Converter_GetDuration(m_converter);
        const qint64 done = Converter_GetConvertTime(m_converter);
        m_percent = total > 0 ? qMin(100.0, 100.0 * double(done) / double(total)) : 0.0;
        emit progressChanged(m_percent);
    }
}

void ConversionJob::pause() {
    if (m_state != Converting)
        return;
    m_timer->stop();
    Converter_Pause(m_converter);
    setState(Paused);
}

void ConversionJob::resume() {
    if (m_state != Paused)
        return;
    if (!Converter_Start(m_converter)) {
        fail("the conversion cannot be continued");
        return;
    }
    m_timer->start();
    setState(Converting);
}

void ConversionJob::cancel() {
    if (!isActive())
        return;
    m_timer->stop();
    Converter_Stop(m_converter);
    release();
    m_percent = 0;
    emit progressChanged(0);
    setState(Idle);
}

void ConversionJob::discard() {
    if (!isActive())
        return;
    cancel();
    QFile::remove(m_outputPath);
}

void ConversionJob::fail(const QString& reason) {
    if (m_timer)
        m_timer->stop();
    release();
    // The engine leaves nothing under the output name after a failure;
    // remove anything a stopped writer may have left all the same.
    QFile::remove(m_outputPath);
    m_percent = 0;
    setState(Idle);
    emit failed(reason);
}

void ConversionJob::release() {
    if (!m_converter)
        return;
    Converter_Close(m_converter);
    Converter_Release(m_converter);
    m_converter = 0;
}

void ConversionJob::setState(State state) {
    m_state = state;
    emit stateChanged(state);
}
