#include "download/download_plan.h"

#include "download/output_naming.h"
#include "segfetch/download_helper.h"

QString fromEngine(const char16_t* text) {
    return text ? QString::fromUtf16(text) : QString();
}

PlanResult planDownload(const VideoInfo& info, const QString& folder, int* partCounter,
                        DownloadPlan* plan) {
    *plan = DownloadPlan();
    plan->title = naming::cleanTitle(fromEngine(info.name));
    if (plan->title.isEmpty())
        plan->title = "video";  // never a hidden ".ext" file
    plan->extension = fromEngine(info.format);
    int number = 0;
    plan->outputPath = naming::uniqueOutputPath(folder, plan->title, plan->extension, &number);
    plan->displayName = naming::displayName(plan->title, number, plan->extension);
    if (info.kind == StreamKindRtmp) {
        plan->rtmp = true;
        plan->rtmpUrl = fromEngine(info.url).toStdString();
        plan->rtmpPlayPath = fromEngine(info.playPath).toStdString();
        plan->partPaths << plan->outputPath;
        return PlanResult::Ok;
    }
    if (info.kind != StreamKindHttp)
        return PlanResult::UnknownKind;
    if (!info.parts) {
        plan->downloadUrls << fromEngine(info.url);
        plan->partPaths << plan->outputPath;
        return PlanResult::Ok;
    }
    for (const VideoPart* part = info.parts; part; part = part->next) {
        plan->downloadUrls << fromEngine(part->url);
        plan->partPaths << naming::partPaths(folder, plan->title, plan->extension, 1, partCounter);
    }
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
