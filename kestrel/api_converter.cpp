// The converter and conversion-settings families of the flat interface.
#include "kestrel/codec_numbers.h"
#include "kestrel/conversion_settings.h"
#include "kestrel/handle_table.h"
#include "kestrel/kestrel.h"
#include "kestrel/transcoder.h"

#include <memory>
#include <string>

namespace {

using kestrel::ConversionSettings;
using kestrel::Transcoder;

struct Converter {
    std::unique_ptr<Transcoder> job;  // null while nothing is open
    std::string openFailure;          // why the last open failed
};

kestrel::HandleTable<ConversionSettings>& settingsTable() {
    static kestrel::HandleTable<ConversionSettings> table;
    return table;
}

kestrel::HandleTable<Converter>& converters() {
    static kestrel::HandleTable<Converter> table;
    return table;
}

Transcoder* jobOf(kestrel_handle h) {
    Converter* converter = converters().find(h);
    return converter ? converter->job.get() : nullptr;
}

template <typename Setter>
int changeSettings(kestrel_handle c, Setter setter) {
    ConversionSettings* settings = settingsTable().find(c);
    if (!settings)
        return 0;
    setter(*settings);
    return 1;
}

}  // namespace

extern "C" {

kestrel_handle Config_Create(void) {
    return settingsTable().add(std::make_unique<ConversionSettings>());
}

int Config_SetVideoFormat(kestrel_handle c, int codec) {
    if (codec != kestrel::kNoStream && !kestrel::videoCodecForNumber(codec))
        return 0;
    return changeSettings(c, [codec](ConversionSettings& s) { s.videoCodec = codec; });
}

int Config_SetAudioFormat(kestrel_handle c, int codec) {
    if (codec != kestrel::kNoStream && !kestrel::audioCodecForNumber(codec))
        return 0;
    return changeSettings(c, [codec](ConversionSettings& s) { s.audioCodec = codec; });
}

int Config_SetVideoProfile(kestrel_handle c, int profile) {
    return changeSettings(c, [profile](ConversionSettings& s) { s.videoProfile = profile; });
}

int Config_SetAudioProfile(kestrel_handle c, int profile) {
    return changeSettings(c, [profile](ConversionSettings& s) { s.audioProfile = profile; });
}

int Config_SetVideoLevel(kestrel_handle c, int level) {
    return changeSettings(c, [level](ConversionSettings& s) { s.videoLevel = level; });
}

int Config_SetVideoInterlaced(kestrel_handle c, int interlaced) {
    return changeSettings(c, [interlaced](ConversionSettings& s) { s.interlaced = interlaced; });
}

void Config_Release(kestrel_handle c) {
    settingsTable().take(c);
}

kestrel_handle Converter_Create(int /*code*/) {
    return converters().add(std::make_unique<Converter>());
}

int Converter_Open(kestrel_handle h, const char* source, const char* target, const char* container,
                   kestrel_handle config) {
    Converter* converter = converters().find(h);
    const ConversionSettings* settings = settingsTable().find(config);
    if (!converter || !settings || !source || !target)
        return 0;
    converter->job.reset();
    converter->openFailure.clear();
    auto job = std::make_unique<Transcoder>();
    if (!job->open(source, target, container ? container : "", *settings)) {
        converter->openFailure = job->failureReason();
        return 0;
    }
    converter->job = std::move(job);
    return 1;
}

int Converter_Start(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    return job && job->start();
}

int Converter_Pause(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    return job && job->pause();
}

int Converter_Stop(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    if (!job)
        return 0;
    job->stop();
    return 1;
}

int Converter_IsCompleted(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    if (!job)
        return 0;
    switch (job->outcome()) {
        case Transcoder::Outcome::Completed:
            return 1;
        case Transcoder::Outcome::Failed:
            return -1;
        case Transcoder::Outcome::Running:
            return 0;
    }
    return 0;
}

const char* Converter_GetErrorText(kestrel_handle h) {
    const Converter* converter = converters().find(h);
    if (!converter)
        return "";
    if (const Transcoder* job = converter->job.get())
        return job->outcome() == Transcoder::Outcome::Failed ? job->failureReason().c_str() : "";
    return converter->openFailure.c_str();
}

int64_t Converter_GetConvertTime(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    return job ? job->convertedUs() : 0;
}

int64_t Converter_GetDuration(kestrel_handle h) {
    Transcoder* job = jobOf(h);
    return job ? job->durationUs() : 0;
}

void Converter_Close(kestrel_handle h) {
    if (Converter* converter = converters().find(h))
        converter->job.reset();
}

void Converter_Release(kestrel_handle h) {
    converters().take(h);
}

}  // extern "C"
