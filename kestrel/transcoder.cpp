#include "kestrel/transcoder.h"

#include "kestrel/codec_numbers.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace kestrel {
namespace {

// Largest jump, in output frames, that is filled by repeating a picture; a
// bigger gap in the source's timestamps is skipped instead.
constexpr std::int64_t kMaxRepeatedFrames = 250;

// A source whose decoded streams end more than this before their declared
// duration is truncated (an interrupted download): converting it is a
// failure, not a short success.
constexpr std::int64_t kShortSourceToleranceUs = 1'000'000;

std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

std::string secondsText(std::int64_t us) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(us) / 1e6);
    return text;
}

bool isEmptyRegularFile(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0;
}

bool sameShape(const AVFrame* frame, const VideoPlan& plan) {
    return frame->width == plan.width && frame->height == plan.height &&
           frame->format == plan.pixelFormat;
}

}  // namespace

Transcoder::~Transcoder() {
    stop();
    if (output_)  // opened, never started: a valid empty file, as a cancel leaves
        endCancelled();
}

bool Transcoder::fail(const std::string& what, int error) {
    // The first failure is the cause; later ones follow from it.
    if (failureReason_.empty())
        failureReason_ = error ? what + ": " + errorText(error) : what;
    return false;
}

// ---- Setting up ----------------------------------------------------------

bool Transcoder::open(const std::string& source, const std::string& target,
                      const std::string& container, const ConversionSettings& settings) {
    if (input_ || output_)
        return false;
    target_ = target;
    const bool ok =
        openSource(source) && createOutput(target, container) && addVideoStream(settings) &&
        addAudioStream(settings) &&
        (video_ || audio_ || fail("the source has no stream that this format can hold")) &&
        reserveTarget(target) && writeHeader();
    if (!ok) {
        video_.reset();
        audio_.reset();
        if (output_) {
            if (output_->pb)
                avio_closep(&output_->pb);
            avformat_free_context(output_);
            output_ = nullptr;
        }
        // A work file that never got its header is no file anybody can use.
        discard();
        input_.reset();
        fail("the conversion cannot be set up");
    }
    return ok;
}

bool Transcoder::openSource(const std::string& source) {
    input_ = openInput(source);
    if (!input_)
        return fail("cannot read " + source + " as media");
    if (input_->start_time != AV_NOPTS_VALUE)
        startTimeUs_ = input_->start_time;
    if (input_->duration != AV_NOPTS_VALUE && input_->duration > 0)
        durationUs_ = input_->duration;
    return true;
}

bool Transcoder::createOutput(const std::string& target, const std::string& container) {
    container_ = container;
    if (avformat_alloc_output_context2(&output_, nullptr,
                                       container.empty() ? nullptr : container.c_str(),
                                       target.c_str()) < 0 ||
        !output_)
        return fail(container.empty() ? "no container is known for the name " + target
                                      : "unknown container " + container);
    if (container_.empty())
        container_ = output_->oformat->name;
    return true;
}

// The muxer's default codec stands in for a codec left unset.
static std::optional<CodecChoice> chosenCodec(std::optional<int> number, AVCodecID muxerDefault,
                                              bool video) {
    if (!number)
        return muxerDefault == AV_CODEC_ID_NONE ? std::nullopt
                                                : std::optional(CodecChoice{muxerDefault});
    if (*number == kNoStream)
        return std::nullopt;
    return video ? videoCodecForNumber(*number) : audioCodecForNumber(*number);
}

bool Transcoder::addVideoStream(const ConversionSettings& settings) {
    if (settings.videoCodec && *settings.videoCodec != kNoStream &&
        !videoCodecForNumber(*settings.videoCodec))
        return fail("no video codec has the number " + std::to_string(*settings.videoCodec));
    const std::optional<CodecChoice> codec =
        chosenCodec(settings.videoCodec, output_->oformat->video_codec, true);
    const int index = bestVideoStream(input_.get());
    if (!codec || index < 0)
        return true;  // no video wanted, or none to convert
    const AVCodec* encoder = avcodec_find_encoder(codec->id);
    if (!encoder)
        return fail(std::string("no encoder for ") + avcodec_get_name(codec->id));
    auto path = std::make_unique<VideoPath>();
    path->inputIndex = index;
    path->input = input_->streams[index];
    path->decoder = openDecoder(path->input);
    if (!path->decoder)
        return fail("cannot decode the source's video");
    SourceVideo source{path->decoder->width, path->decoder->height,
                       path->decoder->sample_aspect_ratio, streamFrameRate(path->input),
                       path->decoder->pix_fmt};
    path->plan = planVideo(encoder, source, settings, container_);
    const bool globalHeader = output_->oformat->flags & AVFMT_GLOBALHEADER;
    path->encoder = openVideoEncoder(encoder, path->plan, codec->tag, globalHeader);
    if (!path->encoder || !addOutputStream(*path))
        return fail(std::string("cannot set up the ") + encoder->name + " encoder");
    path->output->codecpar->codec_tag = codec->tag;
    path->output->avg_frame_rate = path->plan.frameRate;
    path->output->sample_aspect_ratio = path->plan.sampleAspect;
    video_ = std::move(path);
    return true;
}

bool Transcoder::addAudioStream(const ConversionSettings& settings) {
    if (settings.audioCodec && *settings.audioCodec != kNoStream &&
        !audioCodecForNumber(*settings.audioCodec))
        return fail("no audio codec has the number " + std::to_string(*settings.audioCodec));
    const std::optional<CodecChoice> codec =
        chosenCodec(settings.audioCodec, output_->oformat->audio_codec, false);
    const int index = bestAudioStream(input_.get());
    if (!codec || index < 0)
        return true;
    const AVCodec* encoder =
        codec->id == AV_CODEC_ID_AMR_NB ? nullptr : avcodec_find_encoder(codec->id);
    if (!encoder && codec->id != AV_CODEC_ID_AMR_NB)
        return fail(std::string("no encoder for ") + avcodec_get_name(codec->id));
    auto path = std::make_unique<AudioPath>();
    path->inputIndex = index;
    path->input = input_->streams[index];
    path->decoder = openDecoder(path->input);
    if (!path->decoder)
        return fail("cannot decode the source's audio");
    SourceAudio source{path->decoder->sample_rate, path->decoder->sample_fmt,
                       path->decoder->ch_layout};
    path->plan = planAudio(codec->id, encoder, source, settings, container_);
    const bool globalHeader = output_->oformat->flags & AVFMT_GLOBALHEADER;
    path->encoder = openAudioEncoder(codec->id, path->plan, globalHeader);
    if (!path->encoder || !addOutputStream(*path))
        return fail(std::string("cannot set up the ") + avcodec_get_name(codec->id) + " encoder");
    SwrContext* resampler = nullptr;
    if (swr_alloc_set_opts2(&resampler, &path->plan.layout, path->plan.sampleFormat,
                            path->plan.sampleRate, &path->decoder->ch_layout,
                            path->decoder->sample_fmt, path->decoder->sample_rate, 0, nullptr) < 0)
        return false;
    path->resampler.reset(resampler);
    if (swr_init(resampler) < 0)
        return false;
    path->fifo.reset(
        av_audio_fifo_alloc(path->plan.sampleFormat, path->plan.layout.nb_channels, 4096));
    if (!path->fifo)
        return false;
    audio_ = std::move(path);
    return true;
}

bool Transcoder::addOutputStream(StreamPath& path) {
    path.output = avformat_new_stream(output_, nullptr);
    if (!path.output || path.encoder->describe(path.output->codecpar) < 0)
        return false;
    path.output->time_base = path.encoder->timeBase();
    return true;
}

// Disc muxers write the sector sizes and rates players expect.
void Transcoder::applyDiscMuxSettings() {
    switch (discStandardFor(container_)) {
        case DiscStandard::VideoCd:
            output_->packet_size = 2324;
            output_->max_delay = static_cast<int>(0.44 * AV_TIME_BASE);
            av_opt_set_int(output_->priv_data, "muxrate", 1'411'200, 0);
            break;
        case DiscStandard::Dvd:
            output_->packet_size = 2048;
            av_opt_set_int(output_->priv_data, "muxrate", 10'080'000, 0);
            break;
        case DiscStandard::None:
            break;
    }
}

// The target's name is taken with an empty file when it is free; the job
// writes a hidden work file beside it, which becomes the target at the end.
bool Transcoder::reserveTarget(const std::string& target) {
    if (output_->oformat->flags & AVFMT_NOFILE)
        return true;  // the muxer writes files of its own
    struct stat info;
    if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return fail(target + " exists and is not a file");
    const int reserved = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (reserved >= 0) {
        ::close(reserved);
        placeholderMade_ = true;
    } else if (errno != EEXIST) {
        return fail("cannot create " + target, AVERROR(errno));
    }
    const std::filesystem::path path(target);
    std::string work =
        (path.parent_path() / ("." + path.filename().string() + ".XXXXXX.part")).string();
    const int fd = ::mkstemps(work.data(), 5);
    if (fd < 0)
        return fail("cannot create a work file beside " + target, AVERROR(errno));
    ::fchmod(fd, 0644);  // mkstemps makes it private; the target is an ordinary file
    ::close(fd);
    workPath_ = work;
    return true;
}

bool Transcoder::writeHeader() {
    applyDiscMuxSettings();
    if (!workPath_.empty()) {
        // "file:" so that a name with a colon is never taken for a protocol.
        const int opened = avio_open(&output_->pb, ("file:" + workPath_).c_str(), AVIO_FLAG_WRITE);
        if (opened < 0)
            return fail("cannot write " + workPath_, opened);
    }
    if (const int written = avformat_write_header(output_, nullptr); written < 0)
        return fail("cannot write the start of " + target_, written);
    headerWritten_ = true;
    return true;
}

// ---- Control ---------------------------------------------------------------

bool Transcoder::start() {
    if (!headerWritten_ || outcome_ != Outcome::Running || stopRequested_)
        return false;
    {
        std::lock_guard lock(gateMutex_);
        paused_ = false;
    }
    if (!started_) {
        started_ = true;
        thread_ = std::thread(&Transcoder::run, this);
    }
    gate_.notify_all();
    return true;
}

bool Transcoder::pause() {
    if (!headerWritten_ || outcome_ != Outcome::Running)
        return false;
    std::unique_lock lock(gateMutex_);
    paused_ = true;
    // A running job finishes its packet first; once pause returns, nothing
    // moves any more.
    if (started_)
        haltedChanged_.wait(lock, [this] { return halted_ || threadDone_; });
    return true;
}

void Transcoder::stop() {
    {
        // Under the gate's lock, so that a job about to wait at the gate
        // cannot miss the request.
        std::lock_guard lock(gateMutex_);
        stopRequested_ = true;
    }
    gate_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool Transcoder::waitWhilePaused() {
    std::unique_lock lock(gateMutex_);
    if (paused_ && !stopRequested_) {
        halted_ = true;
        haltedChanged_.notify_all();
        gate_.wait(lock, [this] { return !paused_ || stopRequested_; });
        halted_ = false;
    }
    return !stopRequested_;
}

void Transcoder::markHalted(bool ended) {
    std::lock_guard lock(gateMutex_);
    threadDone_ = ended;
    haltedChanged_.notify_all();
}

// ---- Running ---------------------------------------------------------------

void Transcoder::run() {
    const bool ok = transcodeAll();
    if (stopRequested_) {
        endCancelled();
    } else {
        const bool complete = ok && flushAll() && checkSourceComplete();
        const bool closed = finishOutput();
        if (complete && closed && publish()) {
            convertedUs_ = std::max(convertedUs_.load(), durationUs_);
            outcome_ = Outcome::Completed;
        } else {
            discard();
            fail("the conversion failed");
            outcome_ = Outcome::Failed;
        }
    }
    markHalted(true);
}

// The latest end among the converted streams as the source declares it;
// 0 when it declares none (a duration guessed from the bit rate is no
// declaration).
std::int64_t Transcoder::declaredEndUs() const {
    if (input_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        return 0;
    std::int64_t end = 0;
    for (const StreamPath* path : {static_cast<const StreamPath*>(video_.get()),
                                   static_cast<const StreamPath*>(audio_.get())}) {
        if (!path || path->input->duration == AV_NOPTS_VALUE)
            continue;
        const AVStream* stream = path->input;
        const std::int64_t first = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        end = std::max(end,
                       av_rescale_q(first + stream->duration, stream->time_base, AV_TIME_BASE_Q) -
                           startTimeUs_);
    }
    return end > 0 ? end : durationUs_;
}

bool Transcoder::checkSourceComplete() {
    const std::int64_t declared = declaredEndUs();
    if (declared <= 0 || declared - reachedUs_ <= kShortSourceToleranceUs)
        return true;
    return fail("the source ends at " + secondsText(reachedUs_) + ", before its declared " +
                "duration of " + secondsText(declared));
}

// Demux: every packet of a stream being converted goes its way.
bool Transcoder::transcodeAll() {
    PacketPtr packet = makePacket();
    while (waitWhilePaused()) {
        const int read = av_read_frame(input_.get(), packet.get());
        if (read == AVERROR_EOF || (read < 0 && avio_feof(input_->pb)))
            return true;
        if (read < 0)
            return fail("cannot read the source", read);
        const bool ok = transcodePacket(packet.get());
        av_packet_unref(packet.get());
        if (!ok)
            return false;
    }
    return true;
}

bool Transcoder::transcodePacket(AVPacket* packet) {
    if (video_ && packet->stream_index == video_->inputIndex)
        return decode(*video_, packet);
    if (audio_ && packet->stream_index == audio_->inputIndex)
        return decode(*audio_, packet);
    return true;
}

// Decode: a damaged packet is skipped, as players do; only a broken decoder
// ends the job. Each frame goes on to the video or the audio stages.
bool Transcoder::decode(StreamPath& path, const AVPacket* packet) {
    AVCodecContext* decoder = path.decoder.get();
    if (avcodec_send_packet(decoder, packet) == AVERROR(ENOMEM))
        return fail("cannot decode the source", AVERROR(ENOMEM));
    FramePtr frame = makeFrame();
    while (true) {
        const int got = avcodec_receive_frame(decoder, frame.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return true;
        if (got == AVERROR(ENOMEM))
            return fail("cannot decode the source", got);
        if (got < 0)
            return true;
        noteProgress(path, frame.get());
        const bool ok = &path == video_.get()
                            ? convertVideoFrame(frame.get())
                            : resampleAudioFrame(frame.get()) && encodeQueuedAudio(false);
        av_frame_unref(frame.get());
        if (!ok)
            return false;
    }
}

void Transcoder::noteProgress(const StreamPath& path, const AVFrame* frame) {
    const std::int64_t pts = frame->best_effort_timestamp;
    if (pts == AV_NOPTS_VALUE)
        return;
    const AVRational base = path.input->time_base;
    const std::int64_t us = av_rescale_q(pts, base, AV_TIME_BASE_Q) - startTimeUs_;
    if (us > convertedUs_)
        convertedUs_ = us;
    const std::int64_t length = frame->pkt_duration > 0 ? frame->pkt_duration : 0;
    reachedUs_ = std::max(reachedUs_, us + av_rescale_q(length, base, AV_TIME_BASE_Q));
}

// Frame rate: the output runs at the plan's constant rate; a source frame
// lands on the output frame nearest its time, repeating the picture over
// gaps and dropping frames that fall on an already written slot.
bool Transcoder::convertVideoFrame(const AVFrame* decoded) {
    const std::int64_t pts = decoded->best_effort_timestamp;
    std::int64_t index = video_->nextFrameIndex;
    if (pts != AV_NOPTS_VALUE) {
        const std::int64_t us =
            av_rescale_q(pts, video_->input->time_base, AV_TIME_BASE_Q) - startTimeUs_;
        index = av_rescale_q_rnd(std::max<std::int64_t>(us, 0), AV_TIME_BASE_Q,
                                 av_inv_q(video_->plan.frameRate), AV_ROUND_NEAR_INF);
    }
    if (index < video_->nextFrameIndex)
        return true;
    if (index - video_->nextFrameIndex > kMaxRepeatedFrames)
        video_->nextFrameIndex = index;
    FramePtr picture = scaleVideoFrame(decoded);
    if (!picture)
        return false;
    for (; video_->nextFrameIndex <= index; ++video_->nextFrameIndex)
        if (!encodeVideoFrame(picture.get(), video_->nextFrameIndex))
            return false;
    return true;
}

// Scale: to the encoder's size and pixel format; a frame that already fits
// is passed on as it is.
FramePtr Transcoder::scaleVideoFrame(const AVFrame* decoded) {
    const VideoPlan& plan = video_->plan;
    FramePtr picture = makeFrame();
    if (!picture)
        return nullptr;
    if (sameShape(decoded, plan))
        return av_frame_ref(picture.get(), decoded) < 0 ? nullptr : std::move(picture);
    video_->scaler.reset(
        sws_getCachedContext(video_->scaler.release(), decoded->width, decoded->height,
                             static_cast<AVPixelFormat>(decoded->format), plan.width, plan.height,
                             plan.pixelFormat, SWS_BICUBIC, nullptr, nullptr, nullptr));
    picture->width = plan.width;
    picture->height = plan.height;
    picture->format = plan.pixelFormat;
    if (!video_->scaler || av_frame_get_buffer(picture.get(), 0) < 0)
        return nullptr;
    if (sws_scale(video_->scaler.get(), decoded->data, decoded->linesize, 0, decoded->height,
                  picture->data, picture->linesize) <= 0)
        return nullptr;
    return picture;
}

bool Transcoder::encodeVideoFrame(const AVFrame* picture, std::int64_t index) {
    FramePtr frame = makeFrame();
    if (!frame || av_frame_ref(frame.get(), picture) < 0)
        return false;
    frame->pts = index;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    frame->sample_aspect_ratio = video_->plan.sampleAspect;
    // Encoders take the field order from the frames themselves.
    frame->interlaced_frame = video_->plan.interlaced;
    frame->top_field_first = video_->plan.interlaced;
    return encode(*video_, frame.get());
}

// Resample: to the encoder's rate, sample format and channel layout, into a
// queue from which frames of the size the encoder wants are taken.
// Sound that starts after the picture starts as late in the output.
void Transcoder::alignAudioStart(const AVFrame* first) {
    audio_->timed = true;
    if (first->best_effort_timestamp == AV_NOPTS_VALUE)
        return;
    const std::int64_t us =
        av_rescale_q(first->best_effort_timestamp, audio_->input->time_base, AV_TIME_BASE_Q) -
        startTimeUs_;
    audio_->samplesEncoded =
        std::max<std::int64_t>(0, av_rescale(us, audio_->plan.sampleRate, AV_TIME_BASE));
}

bool Transcoder::resampleAudioFrame(const AVFrame* decoded) {
    if (decoded && !audio_->timed)
        alignAudioStart(decoded);
    SwrContext* resampler = audio_->resampler.get();
    const int inputSamples = decoded ? decoded->nb_samples : 0;
    const int room = swr_get_out_samples(resampler, inputSamples);
    if (room <= 0)
        return room == 0;
    FramePtr converted = makeFrame();
    converted->nb_samples = room;
    converted->format = audio_->plan.sampleFormat;
    if (av_channel_layout_copy(&converted->ch_layout, &audio_->plan.layout) < 0 ||
        av_frame_get_buffer(converted.get(), 0) < 0)
        return false;
    const int made = swr_convert(
        resampler, converted->data, room,
        decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr, inputSamples);
    if (made < 0)
        return false;
    return av_audio_fifo_write(audio_->fifo.get(), reinterpret_cast<void**>(converted->data),
                               made) == made;
}

// Encodes whole frames from the queue; `includingRest` also sends what is
// left at the end, padded with silence to a whole frame for encoders that
// refuse a short last frame.
bool Transcoder::encodeQueuedAudio(bool includingRest) {
    AVAudioFifo* fifo = audio_->fifo.get();
    const int frameSize = audio_->encoder->frameSize();
    const int chunk = frameSize > 0 ? frameSize : 1024;
    const bool padLastFrame = frameSize > 0 && !audio_->encoder->takesShortLastFrame();
    while (av_audio_fifo_size(fifo) >= chunk || (includingRest && av_audio_fifo_size(fifo) > 0)) {
        const int samples = std::min(chunk, av_audio_fifo_size(fifo));
        FramePtr frame = makeFrame();
        frame->nb_samples = padLastFrame ? frameSize : samples;
        frame->format = audio_->plan.sampleFormat;
        frame->sample_rate = audio_->plan.sampleRate;
        if (av_channel_layout_copy(&frame->ch_layout, &audio_->plan.layout) < 0 ||
            av_frame_get_buffer(frame.get(), 0) < 0)
            return false;
        if (samples < frame->nb_samples)
            av_samples_set_silence(frame->extended_data, samples, frame->nb_samples - samples,
                                   frame->ch_layout.nb_channels, audio_->plan.sampleFormat);
        if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), samples) !=
            samples)
            return false;
        frame->pts = audio_->samplesEncoded;
        audio_->samplesEncoded += frame->nb_samples;
        if (!encode(*audio_, frame.get()))
            return false;
    }
    return true;
}

// Encode and mux.
bool Transcoder::encode(StreamPath& path, const AVFrame* frame) {
    const int sent = path.encoder->send(frame);
    if (sent < 0 && sent != AVERROR_EOF)
        return fail("cannot encode", sent);
    return muxReadyPackets(path);
}

bool Transcoder::muxReadyPackets(StreamPath& path) {
    PacketPtr packet = makePacket();
    while (true) {
        const int got = path.encoder->receive(packet.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return true;
        if (got < 0)
            return fail("cannot encode", got);
        av_packet_rescale_ts(packet.get(), path.encoder->timeBase(), path.output->time_base);
        packet->stream_index = path.output->index;
        if (const int written = av_interleaved_write_frame(output_, packet.get()); written < 0)
            return fail("cannot write " + target_, written);
    }
}

// Drains decoders, the resampler and the encoders, in pipeline order.
bool Transcoder::flushAll() {
    if (video_ && !(decode(*video_, nullptr) && encode(*video_, nullptr)))
        return false;
    if (audio_ && !(decode(*audio_, nullptr) && resampleAudioFrame(nullptr) &&
                    encodeQueuedAudio(true) && encode(*audio_, nullptr)))
        return false;
    return true;
}

// Writes the trailer and closes the work file. A write error that the
// output's buffer held back (a full disk) shows here at the latest.
bool Transcoder::finishOutput() {
    if (!output_)
        return true;
    bool ok = true;
    if (headerWritten_)
        if (const int finished = av_write_trailer(output_); finished < 0)
            ok = fail("cannot write " + target_, finished);
    if (!(output_->oformat->flags & AVFMT_NOFILE) && output_->pb) {
        if (output_->pb->error < 0)
            ok = fail("cannot write " + target_, output_->pb->error);
        avio_closep(&output_->pb);
    }
    avformat_free_context(output_);
    output_ = nullptr;
    return ok;
}

bool Transcoder::publish() {
    if (workPath_.empty())
        return true;
    if (::rename(workPath_.c_str(), target_.c_str()) != 0)
        return fail("cannot rename the finished file to " + target_, AVERROR(errno));
    workPath_.clear();
    placeholderMade_ = false;
    return true;
}

void Transcoder::discard() {
    if (!workPath_.empty())
        ::unlink(workPath_.c_str());
    workPath_.clear();
    // Only the empty file that reserved the name; never a file that was there.
    if (placeholderMade_ && isEmptyRegularFile(target_))
        ::unlink(target_.c_str());
    placeholderMade_ = false;
}

// A cancelled job keeps what it converted, closed so that it plays.
void Transcoder::endCancelled() {
    if (!(finishOutput() && publish()))
        discard();
}

}  // namespace kestrel
