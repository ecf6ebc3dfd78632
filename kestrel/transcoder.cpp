#include "kestrel/transcoder.h"

#include "kestrel/codec_numbers.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <filesystem>

namespace kestrel {
namespace {

// Largest jump, in output frames, that is filled by repeating a picture; a
// bigger gap in the source's timestamps is skipped instead.
constexpr std::int64_t kMaxRepeatedFrames = 250;

bool sameShape(const AVFrame* frame, const VideoPlan& plan) {
    return frame->width == plan.width && frame->height == plan.height &&
           frame->format == plan.pixelFormat;
}

}  // namespace

Transcoder::~Transcoder() {
    stop();
    finishOutput();
}

// ---- Setting up ----------------------------------------------------------

bool Transcoder::open(const std::string& source, const std::string& target,
                      const std::string& container, const ConversionSettings& settings) {
    if (input_ || output_)
        return false;
    const bool ok = openSource(source) && createOutput(target, container) &&
                    addVideoStream(settings) && addAudioStream(settings) && (video_ || audio_) &&
                    writeHeader(target);
    if (!ok) {
        video_.reset();
        audio_.reset();
        if (output_) {
            // A target that was created but never got its header is no file
            // anybody can use.
            if (output_->pb) {
                avio_closep(&output_->pb);
                std::error_code ignored;
                std::filesystem::remove(target, ignored);
            }
            avformat_free_context(output_);
            output_ = nullptr;
        }
        input_.reset();
    }
    return ok;
}

bool Transcoder::openSource(const std::string& source) {
    input_ = openInput(source);
    if (!input_)
        return false;
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
        return false;
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
        return false;  // a number that names no codec
    const std::optional<CodecChoice> codec =
        chosenCodec(settings.videoCodec, output_->oformat->video_codec, true);
    const int index = bestVideoStream(input_.get());
    if (!codec || index < 0)
        return true;  // no video wanted, or none to convert
    const AVCodec* encoder = avcodec_find_encoder(codec->id);
    if (!encoder)
        return false;
    auto path = std::make_unique<VideoPath>();
    path->inputIndex = index;
    path->input = input_->streams[index];
    path->decoder = openDecoder(path->input);
    if (!path->decoder)
        return false;
    SourceVideo source{path->decoder->width, path->decoder->height,
                       path->decoder->sample_aspect_ratio, streamFrameRate(path->input),
                       path->decoder->pix_fmt};
    path->plan = planVideo(encoder, source, settings, container_);
    const bool globalHeader = output_->oformat->flags & AVFMT_GLOBALHEADER;
    path->encoder = openVideoEncoder(encoder, path->plan, codec->tag, globalHeader);
    if (!path->encoder || !addOutputStream(*path))
        return false;
    path->output->codecpar->codec_tag = codec->tag;
    path->output->avg_frame_rate = path->plan.frameRate;
    path->output->sample_aspect_ratio = path->plan.sampleAspect;
    video_ = std::move(path);
    return true;
}

bool Transcoder::addAudioStream(const ConversionSettings& settings) {
    if (settings.audioCodec && *settings.audioCodec != kNoStream &&
        !audioCodecForNumber(*settings.audioCodec))
        return false;
    const std::optional<CodecChoice> codec =
        chosenCodec(settings.audioCodec, output_->oformat->audio_codec, false);
    const int index = bestAudioStream(input_.get());
    if (!codec || index < 0)
        return true;
    const AVCodec* encoder =
        codec->id == AV_CODEC_ID_AMR_NB ? nullptr : avcodec_find_encoder(codec->id);
    if (!encoder && codec->id != AV_CODEC_ID_AMR_NB)
        return false;
    auto path = std::make_unique<AudioPath>();
    path->inputIndex = index;
    path->input = input_->streams[index];
    path->decoder = openDecoder(path->input);
    if (!path->decoder)
        return false;
    SourceAudio source{path->decoder->sample_rate, path->decoder->sample_fmt,
                       path->decoder->ch_layout};
    path->plan = planAudio(codec->id, encoder, source, settings, container_);
    const bool globalHeader = output_->oformat->flags & AVFMT_GLOBALHEADER;
    path->encoder = openAudioEncoder(codec->id, path->plan, globalHeader);
    if (!path->encoder || !addOutputStream(*path))
        return false;
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

bool Transcoder::writeHeader(const std::string& target) {
    applyDiscMuxSettings();
    if (!(output_->oformat->flags & AVFMT_NOFILE) &&
        avio_open(&output_->pb, target.c_str(), AVIO_FLAG_WRITE) < 0)
        return false;
    if (avformat_write_header(output_, nullptr) < 0)
        return false;
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
    std::lock_guard lock(gateMutex_);
    paused_ = true;
    return true;
}

void Transcoder::stop() {
    stopRequested_ = true;
    gate_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool Transcoder::waitWhilePaused() {
    std::unique_lock lock(gateMutex_);
    gate_.wait(lock, [this] { return !paused_ || stopRequested_; });
    return !stopRequested_;
}

// ---- Running ---------------------------------------------------------------

void Transcoder::run() {
    const bool ok = transcodeAll();
    if (stopRequested_) {
        finishOutput();  // a partial file that still plays
        return;
    }
    const bool flushed = ok && flushAll();
    finishOutput();
    if (flushed)
        convertedUs_ = std::max(convertedUs_.load(), durationUs_);
    outcome_ = flushed ? Outcome::Completed : Outcome::Failed;
}

// Demux: every packet of a stream being converted goes its way.
bool Transcoder::transcodeAll() {
    PacketPtr packet = makePacket();
    while (waitWhilePaused()) {
        const int read = av_read_frame(input_.get(), packet.get());
        if (read == AVERROR_EOF || (read < 0 && avio_feof(input_->pb)))
            return true;
        if (read < 0)
            return false;
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
        return false;
    FramePtr frame = makeFrame();
    while (true) {
        const int got = avcodec_receive_frame(decoder, frame.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return true;
        if (got < 0)
            return got != AVERROR(ENOMEM);
        noteProgress(path, frame->best_effort_timestamp);
        const bool ok = &path == video_.get()
                            ? convertVideoFrame(frame.get())
                            : resampleAudioFrame(frame.get()) && encodeQueuedAudio(false);
        av_frame_unref(frame.get());
        if (!ok)
            return false;
    }
}

void Transcoder::noteProgress(const StreamPath& path, std::int64_t pts) {
    if (pts == AV_NOPTS_VALUE)
        return;
    const std::int64_t us = av_rescale_q(pts, path.input->time_base, AV_TIME_BASE_Q) - startTimeUs_;
    if (us > convertedUs_)
        convertedUs_ = us;
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
        return false;
    return muxReadyPackets(path);
}

bool Transcoder::muxReadyPackets(StreamPath& path) {
    PacketPtr packet = makePacket();
    while (true) {
        const int got = path.encoder->receive(packet.get());
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
            return true;
        if (got < 0)
            return false;
        av_packet_rescale_ts(packet.get(), path.encoder->timeBase(), path.output->time_base);
        packet->stream_index = path.output->index;
        if (av_interleaved_write_frame(output_, packet.get()) < 0)
            return false;
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

void Transcoder::finishOutput() {
    if (!output_)
        return;
    if (headerWritten_)
        av_write_trailer(output_);
    if (!(output_->oformat->flags & AVFMT_NOFILE))
        avio_closep(&output_->pb);
    avformat_free_context(output_);
    output_ = nullptr;
}

}  // namespace kestrel
