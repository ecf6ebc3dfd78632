#include "kestrel/packet_encoder.h"

extern "C" {
#include <libavutil/opt.h>
#include <opencore-amrnb/interf_enc.h>
}

#include <algorithm>
#include <cstring>

namespace kestrel {
namespace {

// x264 reads its profile from a private option; the generic number is
// mapped to its name.
const char* x264ProfileName(int profile) {
    switch (profile) {
        case FF_PROFILE_H264_BASELINE:
        case FF_PROFILE_H264_CONSTRAINED_BASELINE:
            return "baseline";
        case FF_PROFILE_H264_MAIN:
            return "main";
        case FF_PROFILE_H264_HIGH:
            return "high";
        default:
            return nullptr;
    }
}

void applyVideoPlan(AVCodecContext* c, const VideoPlan& plan) {
    c->width = plan.width;
    c->height = plan.height;
    c->sample_aspect_ratio = plan.sampleAspect;
    c->pix_fmt = plan.pixelFormat;
    c->framerate = plan.frameRate;
    c->time_base = av_inv_q(plan.frameRate);
    c->bit_rate = plan.bitRate;
    c->rc_min_rate = plan.minRate;
    c->rc_max_rate = plan.maxRate;
    c->rc_buffer_size = plan.bufferSize;
    if (plan.gopSize > 0)
        c->gop_size = plan.gopSize;
    c->profile = plan.profile;
    c->level = plan.level;
    if (plan.interlaced) {
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        c->field_order = AV_FIELD_TT;
    }
    c->thread_count = 0;
}

std::unique_ptr<PacketEncoder> openLavc(CodecContextPtr context, const AVCodec* codec) {
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return nullptr;
    return std::make_unique<LavcEncoder>(std::move(context));
}

}  // namespace

int LavcEncoder::frameSize() const {
    if (context_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
        return 0;
    return context_->frame_size;
}

std::unique_ptr<PacketEncoder> openVideoEncoder(const AVCodec* codec, const VideoPlan& plan,
                                                unsigned codecTag, bool globalHeader) {
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return nullptr;
    applyVideoPlan(context.get(), plan);
    context->codec_tag = codecTag;
    if (globalHeader)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (codec->id == AV_CODEC_ID_H264) {
        if (const char* name = x264ProfileName(plan.profile))
            av_opt_set(context->priv_data, "profile", name, 0);
    }
    return openLavc(std::move(context), codec);
}

std::unique_ptr<PacketEncoder> openAudioEncoder(AVCodecID codecId, const AudioPlan& plan,
                                                bool globalHeader) {
    if (codecId == AV_CODEC_ID_AMR_NB) {
        auto amr = std::make_unique<AmrNbEncoder>();
        return amr->ok() ? std::move(amr) : nullptr;
    }
    const AVCodec* codec = avcodec_find_encoder(codecId);
    if (!codec)
        return nullptr;
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return nullptr;
    context->sample_rate = plan.sampleRate;
    context->sample_fmt = plan.sampleFormat;
    if (av_channel_layout_copy(&context->ch_layout, &plan.layout) < 0)
        return nullptr;
    context->bit_rate = plan.bitRate;
    context->profile = plan.profile;
    context->time_base = {1, plan.sampleRate};
    context->thread_count = 0;
    if (globalHeader)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return openLavc(std::move(context), codec);
}

AmrNbEncoder::AmrNbEncoder() : state_(Encoder_Interface_init(0)) {}

AmrNbEncoder::~AmrNbEncoder() {
    if (state_)
        Encoder_Interface_exit(state_);
}

int AmrNbEncoder::send(const AVFrame* frame) {
    if (!frame) {
        draining_ = true;
        return 0;
    }
    if (frame->format != AV_SAMPLE_FMT_S16 || frame->nb_samples > kSamplesPerFrame)
        return AVERROR(EINVAL);
    // A short last frame is padded with silence.
    short speech[kSamplesPerFrame] = {};
    std::memcpy(speech, frame->data[0], frame->nb_samples * sizeof(short));
    unsigned char out[64];
    const int bytes = Encoder_Interface_Encode(state_, MR122, speech, out, 0);
    if (bytes <= 0)
        return AVERROR_EXTERNAL;
    PacketPtr packet = makePacket();
    if (!packet || av_new_packet(packet.get(), bytes) < 0)
        return AVERROR(ENOMEM);
    std::memcpy(packet->data, out, bytes);
    packet->pts = packet->dts = frame->pts;
    packet->duration = kSamplesPerFrame;
    packet->time_base = timeBase();
    ready_.push_back(std::move(packet));
    return 0;
}

int AmrNbEncoder::receive(AVPacket* packet) {
    if (ready_.empty())
        return draining_ ? AVERROR_EOF : AVERROR(EAGAIN);
    av_packet_move_ref(packet, ready_.front().get());
    ready_.pop_front();
    return 0;
}

int AmrNbEncoder::describe(AVCodecParameters* p) const {
    p->codec_type = AVMEDIA_TYPE_AUDIO;
    p->codec_id = AV_CODEC_ID_AMR_NB;
    p->sample_rate = kSampleRate;
    p->frame_size = kSamplesPerFrame;
    p->bit_rate = 12'200;
    p->format = AV_SAMPLE_FMT_S16;
    av_channel_layout_uninit(&p->ch_layout);
    p->ch_layout = AV_CHANNEL_LAYOUT_MONO;
    return 0;
}

}  // namespace kestrel
