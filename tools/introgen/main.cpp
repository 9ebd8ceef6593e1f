// introgen: renders the intro film and encodes it (WMV2 in an ASF container, or MPEG-4 video
// in the same container where the WMV2 encoder is missing).
//
//   introgen OUT.wmv FONT.ttf [--png FOLDER]   --png also writes every frame as PNG
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "content/intro.h"
#include "platform/files.h"

namespace {

bool Drain(AVCodecContext* codec, AVFormatContext* format, AVStream* stream, AVPacket* packet) {
  for (;;) {
    int r = avcodec_receive_packet(codec, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(format, packet) < 0) return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: introgen OUT.wmv FONT.ttf [--png FOLDER]\n");
    return 2;
  }
  std::string out = argv[1];
  auto font = platform::ReadFileOs(argv[2]);
  if (!font) {
    std::fprintf(stderr, "introgen: cannot read font %s\n", argv[2]);
    return 1;
  }
  std::string pngFolder = argc == 5 ? argv[4] : "";
  av_log_set_level(AV_LOG_ERROR);
  content::IntroSettings settings;
  content::IntroRenderer renderer(settings, std::move(*font));

  AVFormatContext* format = nullptr;
  if (avformat_alloc_output_context2(&format, nullptr, "asf", out.c_str()) < 0 || !format) {
    std::fprintf(stderr, "introgen: no ASF muxer\n");
    return 1;
  }
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMV2);
  if (!encoder) encoder = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
  if (!encoder) {
    std::fprintf(stderr, "introgen: neither the WMV2 nor the MPEG-4 encoder is available\n");
    return 1;
  }
  AVCodecContext* codec = avcodec_alloc_context3(encoder);
  codec->width = settings.width;
  codec->height = settings.height;
  codec->time_base = AVRational{1, settings.fps};
  codec->framerate = AVRational{settings.fps, 1};
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->bit_rate = 4000000;
  codec->gop_size = settings.fps;
  codec->max_b_frames = 0;
  codec->flags |= AV_CODEC_FLAG_BITEXACT;  // the same film gives the same bytes
  if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (avcodec_open2(codec, encoder, nullptr) < 0) {
    std::fprintf(stderr, "introgen: cannot open the %s encoder\n", encoder->name);
    return 1;
  }
  AVStream* stream = avformat_new_stream(format, nullptr);
  avcodec_parameters_from_context(stream->codecpar, codec);
  stream->time_base = codec->time_base;
  format->flags |= AVFMT_FLAG_BITEXACT;
  std::string temp = out + ".part";
  if (avio_open(&format->pb, temp.c_str(), AVIO_FLAG_WRITE) < 0 ||
      avformat_write_header(format, nullptr) < 0) {
    std::fprintf(stderr, "introgen: cannot write %s\n", temp.c_str());
    return 1;
  }
  SwsContext* sws = sws_getContext(settings.width, settings.height, AV_PIX_FMT_RGBA, settings.width,
                                   settings.height, AV_PIX_FMT_YUV420P,
                                   SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
  AVFrame* frame = av_frame_alloc();
  frame->format = codec->pix_fmt;
  frame->width = codec->width;
  frame->height = codec->height;
  av_frame_get_buffer(frame, 0);
  AVPacket* packet = av_packet_alloc();
  bool ok = sws != nullptr;
  // Frames are rendered a batch at a time on every core, then encoded in order.
  const int batch = int(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<content::Image> pictures;
  for (int i = 0; ok && i < settings.FrameCount(); ++i) {
    if (i % batch == 0) {
      int n = std::min(batch, settings.FrameCount() - i);
      pictures.assign(size_t(n), content::Image());
      std::vector<std::thread> workers;
      for (int k = 0; k < n; ++k)
        workers.emplace_back([&, k] { pictures[size_t(k)] = renderer.Frame(i + k); });
      for (auto& worker : workers) worker.join();
    }
    const content::Image& picture = pictures[size_t(i % batch)];
    if (!pngFolder.empty()) {
      char name[32];
      std::snprintf(name, sizeof name, "/frame%03d.png", i);
      content::WritePng(pngFolder + name, picture);
    }
    av_frame_make_writable(frame);
    const uint8_t* src[1] = {picture.Bytes().data()};
    int stride[1] = {picture.Width() * 4};
    sws_scale(sws, src, stride, 0, settings.height, frame->data, frame->linesize);
    frame->pts = i;
    ok = avcodec_send_frame(codec, frame) >= 0 && Drain(codec, format, stream, packet);
  }
  ok = ok && avcodec_send_frame(codec, nullptr) >= 0 && Drain(codec, format, stream, packet);
  ok = ok && av_write_trailer(format) >= 0;
  avio_closep(&format->pb);
  av_packet_free(&packet);
  av_frame_free(&frame);
  sws_freeContext(sws);
  avcodec_free_context(&codec);
  avformat_free_context(format);
  if (!ok || std::rename(temp.c_str(), out.c_str()) != 0) {
    std::remove(temp.c_str());
    std::fprintf(stderr, "introgen: encoding failed\n");
    return 1;
  }
  return 0;
}
