// One conversion job: the source is demuxed, decoded, scaled and resampled
// to what each encoder accepts, encoded and muxed into the target, on a
// thread of its own that can be paused, resumed and stopped.
#pragma once

#include "kestrel/av_types.h"
#include "kestrel/conversion_settings.h"
#include "kestrel/encoder_plan.h"
#include "kestrel/packet_encoder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrel {

class Transcoder {
public:
    Transcoder() = default;
    // Stops a running job and closes the target.
    ~Transcoder();
    Transcoder(const Transcoder&) = delete;
    Transcoder& operator=(const Transcoder&) = delete;

    // Opens the source, sets up decoders and encoders, creates the target
    // and writes its header. `container` empty: chosen from the target's
    // extension. Returns false (and leaves no open job) on any failure.
    bool open(const std::string& source, const std::string& target, const std::string& container,
              const ConversionSettings& settings);

    // Starts the job's thread, or lets a paused job go on. False when
    // nothing is open or the job has ended.
    bool start();
    // The job halts before its next packet.
    bool pause();
    // Ends the job before its next packet, closes the target with what it
    // holds, and waits for the thread.
    void stop();

    enum class Outcome { Running, Completed, Failed };
    Outcome outcome() const { return outcome_.load(); }
    std::int64_t convertedUs() const { return convertedUs_.load(); }
    std::int64_t durationUs() const { return durationUs_; }

private:
    // A source stream on its way to an output stream.
    struct StreamPath {
        int inputIndex = -1;
        AVStream* input = nullptr;
        AVStream* output = nullptr;
        CodecContextPtr decoder;
        std::unique_ptr<PacketEncoder> encoder;
    };
    struct VideoPath : StreamPath {
        VideoPlan plan;
        ScalerPtr scaler;
        std::int64_t nextFrameIndex = 0;  // output frames are numbered at the plan's rate
    };
    struct AudioPath : StreamPath {
        AudioPlan plan;
        ResamplerPtr resampler;
        FifoPtr fifo;
        std::int64_t samplesEncoded = 0;  // the next frame's time, in samples
        bool timed = false;               // the first frame set the start
    };

    // Setting up (open).
    bool openSource(const std::string& source);
    bool createOutput(const std::string& target, const std::string& container);
    bool addVideoStream(const ConversionSettings& settings);
    bool addAudioStream(const ConversionSettings& settings);
    bool addOutputStream(StreamPath& path);
    void applyDiscMuxSettings();
    bool writeHeader(const std::string& target);

    // Running (on the job's thread).
    void run();
    bool waitWhilePaused();  // false when stopped
    bool transcodeAll();
    bool transcodePacket(AVPacket* packet);
    bool decode(StreamPath& path, const AVPacket* packet);  // null packet: drain
    bool convertVideoFrame(const AVFrame* decoded);
    FramePtr scaleVideoFrame(const AVFrame* decoded);
    bool encodeVideoFrame(const AVFrame* picture, std::int64_t index);
    void alignAudioStart(const AVFrame* first);
    bool resampleAudioFrame(const AVFrame* decoded);  // null: drain the resampler
    bool encodeQueuedAudio(bool includingRest);
    bool encode(StreamPath& path, const AVFrame* frame);  // null frame: drain
    bool muxReadyPackets(StreamPath& path);
    bool flushAll();
    void noteProgress(const StreamPath& path, std::int64_t pts);
    void finishOutput();

    InputPtr input_;
    AVFormatContext* output_ = nullptr;
    std::string container_;
    std::unique_ptr<VideoPath> video_;
    std::unique_ptr<AudioPath> audio_;
    std::int64_t startTimeUs_ = 0;
    std::int64_t durationUs_ = 0;
    bool headerWritten_ = false;

    std::thread thread_;
    std::mutex gateMutex_;
    std::condition_variable gate_;
    bool paused_ = false;
    std::atomic<bool> stopRequested_{false};
    std::atomic<Outcome> outcome_{Outcome::Running};
    std::atomic<std::int64_t> convertedUs_{0};
    bool started_ = false;
};

}  // namespace kestrel
