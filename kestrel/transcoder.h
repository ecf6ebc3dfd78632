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

    // Opens the source, sets up decoders and encoders and writes the
    // target's header into a work file beside the target (a hidden
    // ".<name>.XXXXXX.part"). The target's name is taken at once with an
    // empty file when nothing is there yet, so that naming that skips
    // existing files does not hand it out twice. `container` empty: chosen
    // from the target's extension. Returns false (leaving no open job and
    // no file behind, failureReason() saying why) on any failure.
    bool open(const std::string& source, const std::string& target, const std::string& container,
              const ConversionSettings& settings);

    // Starts the job's thread, or lets a paused job go on. False when
    // nothing is open or the job has ended.
    bool start();
    // The job halts before its next packet; returns once it has halted.
    bool pause();
    // Ends the job before its next packet, closes the work file with what it
    // holds and renames it to the target (a playable partial file), and
    // waits for the thread.
    void stop();

    // Completed: the whole source is in the target. Failed: nothing of the
    // job is left on disk (an existing target is untouched), and
    // failureReason() says why: a read, decode, encode or write error such
    // as a full disk, or a source that ends over a second before its
    // declared duration.
    enum class Outcome { Running, Completed, Failed };
    Outcome outcome() const { return outcome_.load(); }
    // Set when open() or the job failed; read it once outcome() is Failed.
    const std::string& failureReason() const { return failureReason_; }
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
    bool reserveTarget(const std::string& target);
    bool writeHeader();
    std::int64_t declaredEndUs() const;
    bool fail(const std::string& what, int error = 0);  // records the reason, returns false

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
    bool checkSourceComplete();
    void noteProgress(const StreamPath& path, const AVFrame* frame);
    bool finishOutput();  // trailer written and file closed without an error
    bool publish();       // the work file becomes the target
    void discard();       // removes the work file and the name's placeholder
    void endCancelled();  // keeps what was converted under the target's name
    void markHalted(bool halted);

    InputPtr input_;
    AVFormatContext* output_ = nullptr;
    std::string container_;
    std::unique_ptr<VideoPath> video_;
    std::unique_ptr<AudioPath> audio_;
    std::int64_t startTimeUs_ = 0;
    std::int64_t durationUs_ = 0;
    bool headerWritten_ = false;
    std::string target_;
    std::string workPath_;          // empty for muxers that write no file of their own
    bool placeholderMade_ = false;  // open() created the empty target
    std::string failureReason_;     // written before outcome_ becomes Failed

    std::thread thread_;
    std::mutex gateMutex_;
    std::condition_variable gate_;
    std::condition_variable haltedChanged_;
    bool paused_ = false;
    bool halted_ = false;      // the job's thread waits at the gate
    bool threadDone_ = false;  // the job's thread has ended
    std::atomic<bool> stopRequested_{false};
    std::atomic<Outcome> outcome_{Outcome::Running};
    std::atomic<std::int64_t> convertedUs_{0};
    std::int64_t reachedUs_ = 0;  // end of the last decoded frame (job thread only)
    bool started_ = false;
};

}  // namespace kestrel
