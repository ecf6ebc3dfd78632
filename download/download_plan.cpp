#include "download/download_plan.h"

#include "download/output_naming.h"
#include "segfetch/segfetch.h"

QString fromEngine(const char16_t* text) {
    return text ? QString::fromUtf16(text) : QString();
}

AnalysedStream AnalysedStream::from(const VideoInfo& info) {
    AnalysedStream stream;
    stream.kind = info.kind;
    stream.length = info.length;
    stream.url = fromEngine(info.url);
    stream.playPath = fromEngine(info.playPath);
    stream.name = fromEngine(info.name);
    stream.format = fromEngine(info.format);
    for (const VideoPart* part = info.parts; part; part = part->next)
        stream.partUrls << fromEngine(part->url);
    return stream;
}

PlanResult planDownload(const AnalysedStream& stream, const QString& folder, int* partCounter,
                        DownloadPlan* plan) {
    *plan = DownloadPlan();
    plan->title = naming::cleanTitle(stream.name);
    if (plan->title.isEmpty())
        plan->title = "video";  // never a hidden ".ext" file
    plan->extension = stream.format;
    int number = 0;
    plan->outputPath = naming::uniqueOutputPath(folder, plan->title, plan->extension, &number);
    plan->displayName = naming::displayName(plan->title, number, plan->extension);
    if (stream.kind == StreamKindRtmp) {
        plan->rtmp = true;
        plan->rtmpUrl = stream.url.toStdString();
        plan->rtmpPlayPath = stream.playPath.toStdString();
        plan->partPaths << plan->outputPath;
        return PlanResult::Ok;
    }
    if (stream.kind != StreamKindHttp)
        return PlanResult::UnknownKind;
    if (stream.partUrls.isEmpty()) {
        plan->downloadUrls << stream.url;
        plan->partPaths << plan->outputPath;
        return PlanResult::Ok;
    }
    plan->downloadUrls = stream.partUrls;
    plan->partPaths = naming::partPaths(folder, plan->title, plan->extension,
                                        int(stream.partUrls.size()), partCounter);
    return PlanResult::Ok;
}

QList<DownloadHelper*> makeHelpers(const QStringList& urls, const QStringList& paths,
                                   bool* allQueued) {
    QList<DownloadHelper*> helpers;
    *allQueued = urls.size() == paths.size();
    for (int i = 0; i < urls.size() && i < paths.size(); ++i) {
        auto* helper = new DownloadHelper;
        const QByteArray url = urls.at(i).toUtf8();
        if (!helper->addDownloadTask(url.constData(),
                                     reinterpret_cast<const char16_t*>(paths.at(i).utf16()))) {
            delete helper;
            *allQueued = false;
            break;
        }
        helpers << helper;
    }
    return helpers;
}
