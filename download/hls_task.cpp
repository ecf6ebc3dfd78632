#include "download/hls_task.h"

#include "download/download_plan.h"
#include "hls/hls.h"

#include <QMetaObject>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(path.toStdString());
}

TaskFailure failureOf(const hls::Result& result, TaskFailure::Stage stage) {
    QString text = QString::fromStdString(result.message());
    if (stage == TaskFailure::Combine)
        text += " The segments are kept.";
    return {stage, text, int(result.failure), int(result.httpStatus), result.systemError};
}

// One run on a thread of its own: load the playlists, download the
// segments, remux. The engine's Download is made, waited for and destroyed
// by that thread; the owner reaches it under the mutex to pause, resume and
// stop it.
class HlsTransfer : public Transfer {
public:
    HlsTransfer(QString url, int variant, QString target)
        : m_url(std::move(url)), m_variant(variant), m_target(std::move(target)) {}
    ~HlsTransfer() override { stop(); }

    bool start() override {
        stop();
        m_failure = {};
        m_stopRequested = false;
        m_thread = std::thread([this] { run(); });
        return true;
    }

    bool canPause() const override { return true; }

    void pause() override {
        std::lock_guard lock(m_mutex);
        m_paused = true;
        if (m_download)
            m_download->pause();
    }

    void resume() override {
        std::lock_guard lock(m_mutex);
        m_paused = false;
        if (m_download)
            m_download->resume();
    }

    void stop() override {
        {
            std::lock_guard lock(m_mutex);
            m_stopRequested = true;
            if (m_download)
                m_download->stop();
        }
        if (m_thread.joinable())
            m_thread.join();
    }

    Progress progress() const override {
        std::lock_guard lock(m_mutex);
        if (m_download) {
            m_bytes = m_download->bytesDone();
            const std::int64_t total = m_download->segmentsTotal();
            if (total > 0)
                m_percent = double(m_download->segmentsDone()) * 100.0 / double(total);
        }
        return {m_bytes, m_percent};
    }

    TaskFailure failure() const override {
        std::lock_guard lock(m_mutex);
        return m_failure;
    }

private:
    void run() {
        const hls::Stream stream = hls::loadStream(m_url.toStdString(), m_variant);
        if (!stream.result.ok())
            return finish(failureOf(stream.result, TaskFailure::Transfer));
        const std::filesystem::path target = nativePath(m_target);
        const std::filesystem::path work = hls::workFolderFor(target);
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested)
                return;
            m_download = std::make_unique<hls::Download>(stream.tracks, work);
            if (m_paused)
                m_download->pause();
            m_download->start();
        }
        const hls::Result fetched = m_download->wait();
        {
            std::lock_guard lock(m_mutex);
            m_bytes = m_download->bytesDone();
            m_download.reset();
            if (m_stopRequested)
                return;
        }
        if (!fetched.ok())
            return finish(failureOf(fetched, TaskFailure::Transfer));
        const hls::Result combined = hls::combine(stream.tracks, work, target);
        if (!combined.ok())
            return finish(failureOf(combined, TaskFailure::Combine));
        {
            std::lock_guard lock(m_mutex);
            m_percent = 100;
        }
        finish({});
    }

    // Reports the run's end on the owner's thread; a stopped run reports
    // nothing, and a transfer deleted meanwhile drops the call.
    void finish(TaskFailure failure) {
        std::lock_guard lock(m_mutex);
        if (m_stopRequested)
            return;
        const int state = failure.failed() ? -1 : 1;
        m_failure = std::move(failure);
        QMetaObject::invokeMethod(
            this, [this, state] { emit emitDownOK(state); }, Qt::QueuedConnection);
    }

    const QString m_url;
    const int m_variant;
    const QString m_target;
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::unique_ptr<hls::Download> m_download;
    bool m_paused = false;
    bool m_stopRequested = false;
    mutable qint64 m_bytes = 0;
    mutable double m_percent = 0;
    TaskFailure m_failure;
};

QString variantLabel(const hls::VariantInfo& variant) {
    return QString::fromStdString(variant.name);
}

}  // namespace

bool isHlsStream(const AnalysedStream& stream) {
    return stream.kind == StreamKindHttp && stream.format.compare("m3u8", Qt::CaseInsensitive) == 0;
}

HlsOffer loadHlsOffer(const QString& url, const QString& title) {
    HlsOffer offer;
    const hls::Stream stream = hls::loadStream(url.toStdString());
    if (!stream.result.ok()) {
        offer.reason = QString::fromStdString(stream.result.message());
        return offer;
    }
    offer.ok = true;
    if (stream.variants.empty()) {
        offer.choices << StreamChoice{title, kHlsOutputExtension, 0, true};
        offer.variants << -1;
        return offer;
    }
    for (std::size_t i = 0; i < stream.variants.size(); ++i) {
        const hls::VariantInfo& variant = stream.variants[i];
        offer.choices << StreamChoice{title + " (" + variantLabel(variant) + ")",
                                      kHlsOutputExtension, variant.estimatedBytes,
                                      int(i) == stream.chosen};
        offer.variants << int(i);
    }
    return offer;
}

std::unique_ptr<Transfer> makeHlsTransfer(const QString& url, int variant, const QString& target) {
    return std::make_unique<HlsTransfer>(url, variant, target);
}

void removeHlsWork(const QString& target) {
    std::error_code ignored;
    std::filesystem::remove_all(hls::workFolderFor(nativePath(target)), ignored);
}
