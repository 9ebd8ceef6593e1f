// Video decoding with libavformat/libavcodec, conversion with libswscale, drawing through
// the graphics device.
#include "platform/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstdio>
#include <memory>

#include "platform/clock.h"
#include "platform/graphics.h"
#include "platform/spritebatch.h"
#include "platform/texture.h"
#include "platform/window.h"

namespace platform {

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

  bool Open(const std::string& path) {
    av_log_set_level(AV_LOG_ERROR);
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
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
  bool Next() {
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

// Takes waiting messages; false when playing is to stop. A quit request is put back so the
// program's own loop still sees it.
bool PumpAndCheck() {
  WindowMessage m;
  bool go = true;
  bool quit = false;
  int exitCode = 0;
  while (GetMessage(m)) {
    if (m.type == MessageType::Quit) {
      quit = true;
      exitCode = m.exitCode;
      go = false;
      continue;
    }
    if (m.type == MessageType::KeyDown && m.scancode == kScancodeEscape) go = false;
    if (m.type == MessageType::Close) go = false;
    DispatchMessage(m);
  }
  if (IsKeyDown(kScancodeEscape)) go = false;
  if (quit) PostQuitMessage(exitCode);
  return go;
}

}  // namespace

VideoResult PlayVideoFullscreen(const std::string& osPath, const VideoOptions& options) {
  Decoder decoder;
  if (!decoder.Open(osPath)) return VideoResult::Failed;
  // A quit that came while the file opened spares making the window and the device.
  if (QuitRequested()) return VideoResult::Stopped;
  const int width = decoder.codec->width;
  const int height = decoder.codec->height;

  std::unique_ptr<Window> ownWindow;
  std::unique_ptr<GraphicsDevice> ownDevice;
  Window* window = options.window;
  GraphicsDevice* device = options.device;
  if (!window) {
    std::string error;
    ownWindow = Window::Create(u"Krumbolt", width, height, &error);
    if (!ownWindow) return VideoResult::Failed;
    window = ownWindow.get();
    window->SetFullscreen(true);
    window->Show();
  }
  if (!device) {
    ownDevice = GraphicsDevice::CreateOpenGL(*window, width, height);
    if (!ownDevice) return VideoResult::Failed;
    device = ownDevice.get();
  }
  ShowCursor(false);

  Texture texture(width, height);
  SpriteBatch batch(*device);
  const int32_t backW = device->BackBufferWidth(), backH = device->BackBufferHeight();
  // The picture keeps its proportions inside the device's back buffer.
  Letterbox box = Letterbox::Compute(width, height, backW, backH);
  Vector2 scale(float(box.width) / float(width), float(box.height) / float(height));
  Vector2 position(float(box.x), float(box.y));

  VideoResult result = VideoResult::Finished;
  const uint64_t start = PerformanceCounter();
  const double period = 1.0 / double(PerformanceFrequency());
  int index = 0;
  while (decoder.Next()) {
    if (!PumpAndCheck()) {
      result = VideoResult::Stopped;
      break;
    }
    decoder.scaler = sws_getCachedContext(decoder.scaler, decoder.frame->width, decoder.frame->height,
                                          AVPixelFormat(decoder.frame->format), width, height,
                                          AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!decoder.scaler) {
      result = VideoResult::Failed;
      break;
    }
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(texture.MutablePixels()), nullptr, nullptr, nullptr};
    int strides[4] = {width * 4, 0, 0, 0};
    sws_scale(decoder.scaler, decoder.frame->data, decoder.frame->linesize, 0, decoder.frame->height, planes,
              strides);
    texture.MarkAllDirty();

    // Wait for the frame's time, still answering Escape.
    double due = decoder.Seconds(decoder.frame->best_effort_timestamp);
    bool stop = false;
    while (due > 0.0 && double(PerformanceCounter() - start) * period < due) {
      if (!PumpAndCheck()) {
        stop = true;
        break;
      }
      SleepMs(1);
    }
    if (stop) {
      result = VideoResult::Stopped;
      break;
    }
    device->Clear(kClearTarget, 0xFF000000, 1.0f, 0);
    batch.Begin(0);
    batch.SetTransform(Transformation2D(nullptr, 0.0f, &scale, nullptr, 0.0f, &position));
    batch.Draw(&texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    batch.End();
    device->Present();
    if (options.onFrame) options.onFrame(index, *device);
    ++index;
  }
  if (index == 0 && result == VideoResult::Finished) result = VideoResult::Failed;
  ShowCursor(true);
  return result;
}

}  // namespace platform
