#include "kestrel/media_probe.h"

#include "kestrel/bmp.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace kestrel {
namespace {

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// A stream's bit rate, or the container's total minus the other streams'
// when the container keeps no per-stream figure (Matroska, WebM).
std::int64_t videoBitRateOf(AVFormatContext* input, int videoIndex) {
    const std::int64_t stored = input->streams[videoIndex]->codecpar->bit_rate;
    if (stored > 0)
        return stored;
    std::int64_t rest = input->bit_rate;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (static_cast<int>(i) != videoIndex)
            rest -= input->streams[i]->codecpar->bit_rate;
    return std::max<std::int64_t>(rest, 0);
}

}  // namespace

std::string displayFormatName(const char* demuxerNames, const std::string& path) {
    if (!demuxerNames)
        return {};
    const std::string ext = lowerExtension(path);
    std::stringstream names(demuxerNames);
    std::string first, name;
    while (std::getline(names, name, ',')) {
        if (first.empty())
            first = name;
        if (!ext.empty() && name == ext)
            return name;
    }
    return first;
}

MediaFacts readFacts(AVFormatContext* input, const std::string& path) {
    MediaFacts facts;
    if (input->duration != AV_NOPTS_VALUE && input->duration > 0)
        facts.durationUs = input->duration;
    facts.formatName = displayFormatName(input->iformat->name, path);
    const int video = bestVideoStream(input);
    facts.hasVideo = video >= 0;
    facts.hasAudio = bestAudioStream(input) >= 0;
    if (facts.hasVideo) {
        facts.width = input->streams[video]->codecpar->width;
        facts.height = input->streams[video]->codecpar->height;
        facts.videoBitRate = videoBitRateOf(input, video);
    }
    facts.canSeek =
        input->pb && (input->pb->seekable & AVIO_SEEKABLE_NORMAL) && facts.durationUs > 0;
    return facts;
}

MediaProbe::MediaProbe(const std::string& path) : input_(openInput(path)) {
    if (!input_)
        return;
    facts_ = readFacts(input_.get(), path);
    videoIndex_ = bestVideoStream(input_.get());
}

std::vector<std::uint8_t> MediaProbe::frameAsBmp(std::int64_t timeUs) {
    if (videoIndex_ < 0 || facts_.width <= 0 || facts_.height <= 0)
        return {};
    if (!decoder_)
        decoder_ = openDecoder(input_->streams[videoIndex_]);
    if (!decoder_)
        return {};
    timeUs = std::max<std::int64_t>(timeUs, 0);
    seekNear(timeUs);
    const AVStream* stream = input_->streams[videoIndex_];
    std::int64_t target = av_rescale_q(timeUs, AV_TIME_BASE_Q, stream->time_base);
    if (stream->start_time != AV_NOPTS_VALUE)
        target += stream->start_time;
    FramePtr frame = decodeNearest(target);
    return frame ? toBmp(frame.get()) : std::vector<std::uint8_t>{};
}

// Seeks to the key frame at or before the time; from the start when the
// file cannot seek there.
bool MediaProbe::seekNear(std::int64_t timeUs) {
    std::int64_t ts = timeUs;
    if (input_->start_time != AV_NOPTS_VALUE)
        ts += input_->start_time;
    avcodec_flush_buffers(decoder_.get());
    if (av_seek_frame(input_.get(), -1, ts, AVSEEK_FLAG_BACKWARD) >= 0)
        return true;
    return avformat_seek_file(input_.get(), -1, INT64_MIN, 0, 0, 0) >= 0;
}

// Decodes forward until a frame reaches the target time and returns
// whichever of it and its predecessor lies nearer; the last frame when the
// file ends first.
FramePtr MediaProbe::decodeNearest(std::int64_t targetPts) {
    PacketPtr packet = makePacket();
    FramePtr previous, current = makeFrame();
    bool draining = false;
    while (true) {
        int got = avcodec_receive_frame(decoder_.get(), current.get());
        if (got == 0) {
            const std::int64_t pts = current->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE || pts >= targetPts) {
                if (previous && pts != AV_NOPTS_VALUE &&
                    targetPts - previous->best_effort_timestamp < pts - targetPts)
                    return previous;
                return current;
            }
            previous = std::move(current);
            current = makeFrame();
            continue;
        }
        if (got != AVERROR(EAGAIN) || draining)
            return previous;  // end of stream or a decoding error
        const int read = av_read_frame(input_.get(), packet.get());
        if (read < 0) {
            avcodec_send_packet(decoder_.get(), nullptr);
            draining = true;
            continue;
        }
        if (packet->stream_index == videoIndex_)
            avcodec_send_packet(decoder_.get(), packet.get());
        av_packet_unref(packet.get());
    }
}

std::vector<std::uint8_t> MediaProbe::toBmp(const AVFrame* frame) {
    const int width = facts_.width, height = facts_.height;
    ScalerPtr scaler(sws_getContext(frame->width, frame->height,
                                    static_cast<AVPixelFormat>(frame->format), width, height,
                                    AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler)
        return {};
    const int stride = width * 4;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height);
    uint8_t* planes[4] = {pixels.data(), nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides) <=
        0)
        return {};
    return makeBmp(width, height, pixels.data(), stride);
}

}  // namespace kestrel
