// The intro player on a small video written here with FFmpeg's own WMV encoder: it plays
// to the end through the decoder module and lets the module go after, Escape and quit
// requests stop it, and files it cannot play or a decoder module it cannot use fail.
#include <gtest/gtest.h>

#include "platform/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <dlfcn.h>

#include <algorithm>
#include <fstream>

#include "platform/graphics.h"
#include "platform/window.h"
#include "support/temp_dir.h"

namespace {

constexpr int kWidth = 64, kHeight = 48, kFrames = 6;

// Frames 0..2 red, 3..5 blue, in limited-range YUV.
void Fill(AVFrame* frame, int index) {
  bool red = index < kFrames / 2;
  uint8_t y = red ? 81 : 41, u = red ? 90 : 240, v = red ? 240 : 110;
  for (int row = 0; row < kHeight; ++row) memset(frame->data[0] + row * frame->linesize[0], y, kWidth);
  for (int row = 0; row < kHeight / 2; ++row) {
    memset(frame->data[1] + row * frame->linesize[1], u, kWidth / 2);
    memset(frame->data[2] + row * frame->linesize[2], v, kWidth / 2);
  }
}

bool WriteVideo(const std::string& path) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMV2);
  if (!codec) return false;
  AVFormatContext* out = nullptr;
  if (avformat_alloc_output_context2(&out, nullptr, "asf", path.c_str()) < 0) return false;
  AVStream* stream = avformat_new_stream(out, nullptr);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = kWidth;
  c->height = kHeight;
  c->time_base = {1, 20};
  c->framerate = {20, 1};
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->gop_size = 1;
  c->bit_rate = 800000;
  if (out->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  bool ok =
      avcodec_open2(c, codec, nullptr) >= 0 && avcodec_parameters_from_context(stream->codecpar, c) >= 0;
  stream->time_base = c->time_base;
  ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
       avformat_write_header(out, nullptr) >= 0;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  frame->format = c->pix_fmt;
  frame->width = kWidth;
  frame->height = kHeight;
  ok = ok && av_frame_get_buffer(frame, 0) >= 0;
  auto drain = [&] {
    while (avcodec_receive_packet(c, packet) == 0) {
      av_packet_rescale_ts(packet, c->time_base, stream->time_base);
      packet->stream_index = stream->index;
      av_interleaved_write_frame(out, packet);
    }
  };
  for (int i = 0; ok && i < kFrames; ++i) {
    av_frame_make_writable(frame);
    Fill(frame, i);
    frame->pts = i;
    ok = avcodec_send_frame(c, frame) >= 0;
    drain();
  }
  if (ok) {
    avcodec_send_frame(c, nullptr);
    drain();
    av_write_trailer(out);
  }
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&c);
  if (out->pb) avio_closep(&out->pb);
  avformat_free_context(out);
  return ok;
}

class Video : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ClearMessages();
    path = (dir.Path() / "intro.wmv").string();
    if (!WriteVideo(path)) GTEST_SKIP() << "no WMV encoder in this FFmpeg";
  }
  void TearDown() override { platform::ClearMessages(); }

  TempDir dir;
  std::string path;
};

platform::VideoOptions WithDecoder() {
  platform::VideoOptions options;
  options.decoderModule = KRUMBOLT_VIDEO_DECODER;
  return options;
}

bool DecoderLoaded() {
  void* library = dlopen(KRUMBOLT_VIDEO_DECODER, RTLD_NOW | RTLD_NOLOAD);
  if (library) dlclose(library);
  return library != nullptr;
}

}  // namespace

TEST_F(Video, PlaysEveryFrameFullScreenToTheEnd) {
  std::vector<uint32_t> centres;
  platform::VideoOptions options = WithDecoder();
  bool loadedWhilePlaying = false;
  options.onFrame = [&](int, platform::GraphicsDevice& device) {
    loadedWhilePlaying = DecoderLoaded();
    auto pixels = device.ReadPixels();
    centres.push_back(pixels[size_t(device.BackBufferHeight() / 2) * size_t(device.BackBufferWidth()) +
                             size_t(device.BackBufferWidth() / 2)]);
  };
  EXPECT_EQ(platform::PlayVideoFullscreen(path, options), platform::VideoResult::Finished);
  ASSERT_EQ(centres.size(), size_t(kFrames));
  auto channel = [](uint32_t p, int shift) { return int((p >> shift) & 0xFF); };
  EXPECT_GT(channel(centres.front(), 16), 200);
  EXPECT_LT(channel(centres.front(), 0), 60);
  EXPECT_GT(channel(centres.back(), 0), 200);
  EXPECT_LT(channel(centres.back(), 16), 60);
  // The decoder module (and with it the video libraries) is there only while a video plays.
  EXPECT_TRUE(loadedWhilePlaying);
  EXPECT_FALSE(DecoderLoaded());
}

TEST_F(Video, EscapeOrAQuitRequestStopsIt) {
  int frames = 0;
  platform::VideoOptions options = WithDecoder();
  options.onFrame = [&](int index, platform::GraphicsDevice&) {
    ++frames;
    if (index == 1) {
      platform::WindowMessage escape;
      escape.type = platform::MessageType::KeyDown;
      escape.scancode = platform::kScancodeEscape;
      platform::PostMessage(escape);
    }
  };
  EXPECT_EQ(platform::PlayVideoFullscreen(path, options), platform::VideoResult::Stopped);
  EXPECT_EQ(frames, 2);

  platform::ClearMessages();
  frames = 0;
  options.onFrame = [&](int, platform::GraphicsDevice&) {
    if (++frames == 1) platform::PostQuitMessage(0);
  };
  EXPECT_EQ(platform::PlayVideoFullscreen(path, options), platform::VideoResult::Stopped);
  EXPECT_EQ(frames, 1);
  // The quit request is left for the program's own loop.
  platform::WindowMessage m;
  ASSERT_TRUE(platform::GetMessage(m));
  EXPECT_EQ(m.type, platform::MessageType::Quit);

  // A quit waiting before the start shows no frame at all.
  frames = 0;
  platform::PostQuitMessage(0);
  EXPECT_EQ(platform::PlayVideoFullscreen(path, options), platform::VideoResult::Stopped);
  EXPECT_EQ(frames, 0);
  platform::ClearMessages();
}

TEST(VideoFiles, MissingOrUnplayableFilesFailWithOneMessage) {
  TempDir dir;
  std::ofstream(dir.Path() / "junk.wmv") << "this is not a video at all";
  for (const char* name : {"absent.wmv", "junk.wmv"}) {
    SCOPED_TRACE(name);
    const std::string path = (dir.Path() / name).string();
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::PlayVideoFullscreen(path, WithDecoder()), platform::VideoResult::Failed);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(path), std::string::npos) << said;
  }
  EXPECT_FALSE(DecoderLoaded());
}

TEST(VideoFiles, WithoutAUsableDecoderModuleTheVideoFailsWithOneMessage) {
  TempDir dir;
  const std::string video = (dir.Path() / "intro.wmv").string();
  if (!WriteVideo(video)) GTEST_SKIP() << "no WMV encoder in this FFmpeg";
  std::ofstream(dir.Path() / "junk.so") << "not a shared library";
  // A shared library that is no decoder: the C library this test runs with.
  Dl_info libc{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::fopen), &libc), 0);
  const std::string modules[] = {(dir.Path() / "absent.so").string(), (dir.Path() / "junk.so").string(),
                                 libc.dli_fname};
  for (const std::string& module : modules) {
    SCOPED_TRACE(module);
    platform::VideoOptions options;
    options.decoderModule = module;
    int frames = 0;
    options.onFrame = [&](int, platform::GraphicsDevice&) { ++frames; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::PlayVideoFullscreen(video, options), platform::VideoResult::Failed);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(frames, 0);
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find(module), std::string::npos) << said;
  }
}
