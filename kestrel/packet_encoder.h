// Encoders as the conversion pipeline sees them: frames in, packets out.
// Most are libavcodec's; AMR-NB, which Debian's libavcodec cannot encode,
// comes from libopencore-amrnb.
#pragma once

#include "kestrel/av_types.h"
#include "kestrel/encoder_plan.h"

#include <deque>
#include <memory>

namespace kestrel {

class PacketEncoder {
public:
    virtual ~PacketEncoder() = default;

    // Hands over one frame in the encoder's format and time base; null
    // starts draining. Returns 0 or a negative AVERROR.
    virtual int send(const AVFrame* frame) = 0;
    // 0 with a packet, AVERROR(EAGAIN) when it needs more frames,
    // AVERROR_EOF when drained.
    virtual int receive(AVPacket* packet) = 0;
    virtual AVRational timeBase() const = 0;
    // Audio samples per frame the encoder insists on; 0 when any count goes.
    virtual int frameSize() const = 0;
    // Whether a last frame may hold fewer samples than frameSize().
    virtual bool takesShortLastFrame() const = 0;
    // Describes the encoded stream to the muxer.
    virtual int describe(AVCodecParameters* parameters) const = 0;
};

class LavcEncoder : public PacketEncoder {
public:
    explicit LavcEncoder(CodecContextPtr context) : context_(std::move(context)) {}

    int send(const AVFrame* frame) override { return avcodec_send_frame(context_.get(), frame); }
    int receive(AVPacket* packet) override {
        return avcodec_receive_packet(context_.get(), packet);
    }
    AVRational timeBase() const override { return context_->time_base; }
    int frameSize() const override;
    bool takesShortLastFrame() const override {
        return context_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    }
    int describe(AVCodecParameters* parameters) const override {
        return avcodec_parameters_from_context(parameters, context_.get());
    }

private:
    CodecContextPtr context_;
};

// 8 kHz mono 16-bit frames of 160 samples in, 12.2 kbit/s AMR-NB frames
// (storage format, as the 3GP muxer takes them) out.
class AmrNbEncoder : public PacketEncoder {
public:
    static constexpr int kSamplesPerFrame = 160;
    static constexpr int kSampleRate = 8000;

    AmrNbEncoder();
    ~AmrNbEncoder() override;
    AmrNbEncoder(const AmrNbEncoder&) = delete;
    AmrNbEncoder& operator=(const AmrNbEncoder&) = delete;

    bool ok() const { return state_ != nullptr; }
    int send(const AVFrame* frame) override;
    int receive(AVPacket* packet) override;
    AVRational timeBase() const override { return {1, kSampleRate}; }
    int frameSize() const override { return kSamplesPerFrame; }
    bool takesShortLastFrame() const override { return true; }  // padded here
    int describe(AVCodecParameters* parameters) const override;

private:
    void* state_ = nullptr;
    std::deque<PacketPtr> ready_;
    bool draining_ = false;
};

// Opens the libavcodec encoder for a video plan; null when it refuses.
// `globalHeader`: the container wants codec headers out of band.
std::unique_ptr<PacketEncoder> openVideoEncoder(const AVCodec* codec, const VideoPlan& plan,
                                                unsigned codecTag, bool globalHeader);

// Opens the encoder for an audio plan (AMR-NB included); null on failure.
std::unique_ptr<PacketEncoder> openAudioEncoder(AVCodecID codec, const AudioPlan& plan,
                                                bool globalHeader);

}  // namespace kestrel
