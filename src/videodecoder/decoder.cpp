// The video decoder module: libavformat/libavcodec read and decode, libswscale converts each
// picture to BGRA at the stream's size. Loaded by the intro player only while it plays.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <new>

#include "platform/video_decoder.h"

namespace {

struct Decoder {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int stream = -1;

  ~Decoder() {
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  bool Open(const char* path) {
    av_log_set_level(AV_LOG_ERROR);
    if (avformat_open_input(&format, path, nullptr, nullptr) < 0) return false;
    if (avformat_find_stream_info(format, nullptr) < 0) return false;
    const AVCodec* decoder = nullptr;
    stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (stream < 0 || !decoder) return false;
    codec = avcodec_alloc_context3(decoder);
    if (!codec || avcodec_parameters_to_context(codec, format->streams[stream]->codecpar) < 0) return false;
    if (avcodec_open2(codec, decoder, nullptr) < 0) return false;
    if (codec->width <= 0 || codec->height <= 0 || codec->width > 8192 || codec->height > 8192) return false;
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    return frame && packet;
  }

  // The next decoded frame; false at the end of the stream or on an error.
  bool Decode() {
    for (;;) {
      int r = avcodec_receive_frame(codec, frame);
      if (r == 0) return true;
      if (r != AVERROR(EAGAIN)) return false;
      r = av_read_frame(format, packet);
      if (r < 0) {
        avcodec_send_packet(codec, nullptr);  // drain what the decoder still holds
        continue;
      }
      if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
      av_packet_unref(packet);
    }
  }

  double Seconds(int64_t pts) const {
    if (pts == AV_NOPTS_VALUE) return -1.0;
    return double(pts) * av_q2d(format->streams[stream]->time_base);
  }
};

void* Open(const char* path, int32_t* width, int32_t* height) {
  Decoder* decoder = new (std::nothrow) Decoder;
  if (!decoder) return nullptr;
  if (!decoder->Open(path)) {
    delete decoder;
    return nullptr;
  }
  *width = decoder->codec->width;
  *height = decoder->codec->height;
  return decoder;
}

int32_t Next(void* handle, uint8_t* bgra, double* seconds) {
  Decoder& decoder = *static_cast<Decoder*>(handle);
  if (!decoder.Decode()) return 0;
  const int width = decoder.codec->width, height = decoder.codec->height;
  // A picture of another size than the stream's is scaled to it.
  decoder.scaler = sws_getCachedContext(decoder.scaler, decoder.frame->width, decoder.frame->height,
                                        AVPixelFormat(decoder.frame->format), width, height, AV_PIX_FMT_BGRA,
                                        SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!decoder.scaler) return -1;
  uint8_t* planes[4] = {bgra, nullptr, nullptr, nullptr};
  int strides[4] = {width * 4, 0, 0, 0};
  sws_scale(decoder.scaler, decoder.frame->data, decoder.frame->linesize, 0, decoder.frame->height, planes,
            strides);
  *seconds = decoder.Seconds(decoder.frame->best_effort_timestamp);
  return 1;
}

void Close(void* handle) { delete static_cast<Decoder*>(handle); }

constexpr platform::VideoDecoderApi kApi = {platform::kVideoDecoderVersion, Open, Next, Close};

}  // namespace

extern "C" __attribute__((visibility("default"))) const platform::VideoDecoderApi* KrumboltVideoDecoder() {
  return &kApi;
}
