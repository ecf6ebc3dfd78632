// The probe family of the flat interface.
#include "kestrel/handle_table.h"
#include "kestrel/kestrel.h"
#include "kestrel/media_probe.h"

#include <memory>
#include <vector>

namespace {

struct Probe {
    std::unique_ptr<kestrel::MediaProbe> media;  // null while no file is open
    // Every frame handed out stays valid until the file is closed.
    std::vector<std::vector<std::uint8_t>> frames;
};

kestrel::HandleTable<Probe>& probes() {
    static kestrel::HandleTable<Probe> table;
    return table;
}

const kestrel::MediaFacts* factsOf(kestrel_handle h) {
    Probe* probe = probes().find(h);
    return probe && probe->media ? &probe->media->facts() : nullptr;
}

}  // namespace

extern "C" {

kestrel_handle Info_Create(int /*mode*/) {
    return probes().add(std::make_unique<Probe>());
}

int Info_Open(kestrel_handle h, const char* path) {
    Probe* probe = probes().find(h);
    if (!probe || !path)
        return 0;
    probe->frames.clear();
    probe->media = std::make_unique<kestrel::MediaProbe>(path);
    if (!probe->media->ok())
        probe->media.reset();
    return probe->media != nullptr;
}

int64_t Info_GetDuration(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts ? facts->durationUs : 0;
}

const char* Info_GetFormatName(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts ? facts->formatName.c_str() : nullptr;
}

int Info_GetVideoWidth(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts ? facts->width : 0;
}

int Info_GetVideoHeight(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts ? facts->height : 0;
}

int64_t Info_GetVideoBitRate(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts ? facts->videoBitRate : 0;
}

int Info_CanSeek(kestrel_handle h) {
    const kestrel::MediaFacts* facts = factsOf(h);
    return facts && facts->canSeek;
}

const unsigned char* Info_GetVideoImage(kestrel_handle h, int64_t time, int /*flag*/,
                                        int /*reserved1*/, int /*reserved2*/) {
    Probe* probe = probes().find(h);
    if (!probe || !probe->media)
        return nullptr;
    std::vector<std::uint8_t> bmp = probe->media->frameAsBmp(time);
    if (bmp.empty())
        return nullptr;
    probe->frames.push_back(std::move(bmp));
    return probe->frames.back().data();
}

void Info_Close(kestrel_handle h) {
    if (Probe* probe = probes().find(h)) {
        probe->media.reset();
        probe->frames.clear();
    }
}

void Info_Release(kestrel_handle h) {
    probes().take(h);
}

}  // extern "C"
