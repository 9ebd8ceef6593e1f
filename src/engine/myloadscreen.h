// The loading screen: a splash picture, a progress bar (an empty image with the full one cut
// to the progress over it), a notice, optional borders around a 4:3 picture area and,
// optionally, the last scene captured into a texture as the backdrop. It is described by a
// block of "Splash.spl"; each loading step draws and presents one whole frame.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/gfxtypes.h"
#include "engine/resetobjekt.h"
#include "platform/texture.h"

class APIGraphics;
class DataArchive;
class KVNode;
class TexturPart;

// A rectangle of four floats: fractions of the picture area.
struct RectF {
  float left = 0.0f;
  float top = 0.0f;
  float right = 0.0f;
  float bottom = 0.0f;
};

class MyLoadScreen : public ResetObjekt {
 public:
  // Reads the description's keys (none: the defaults) and makes the capture texture when
  // rendering to a texture. Without a graphics manager the context's is used.
  MyLoadScreen(const KVNode* description, const DataArchive* archive, APIGraphics* graphics = nullptr);
  ~MyLoadScreen() override;
  MyLoadScreen(const MyLoadScreen&) = delete;
  MyLoadScreen& operator=(const MyLoadScreen&) = delete;

  // Draws one frame, then adds the step to the progress, kept within 0 .. maximum. Waiting
  // window events are taken in first, so that the window answers during long loads.
  void Advance(double step);
  // Draws and presents one frame.
  void Render();
  void ResetProgress() { m_progress = 0.0; }
  void SetMaximum(double maximum) { m_maximum = maximum; }

  // When a loading is over: the pictures give back their memory (CPU and device), as does
  // the capture's device copy. The next frame drawn, by this screen or another one showing
  // the same images, reads its pictures again.
  void ReleasePictures();
  // Whether a picture of this screen has given back its memory.
  bool PicturesReleased() const;

  // Drawing between these two goes into the capture texture (with rendering to a texture).
  void BeginRenderToTexture();
  void EndRenderToTexture();

  void OnResetDevice() override;
  void OnLostDevice() override;

  // The picture area for a screen of width x height: the whole screen, or with borders the
  // largest centred 4:3 rectangle.
  static Rect PictureArea(int32_t width, int32_t height, bool useBorders);
  // A fraction rectangle placed in the area.
  static Rect Place(const RectF& fractions, const Rect& area);

  double Progress() const { return m_progress; }
  double Maximum() const { return m_maximum; }
  bool RendersToTexture() const { return m_renderToTexture; }
  bool CaptureReady() const { return m_captureReady; }
  platform::Texture* CaptureTexture() const { return m_capture.get(); }
  Argb BackColour() const { return m_backColour; }
  bool ClearsScreen() const { return m_clearScreen; }
  bool UsesBorders() const { return m_useBorders; }
  const TexturPart* Splash() const { return m_splash; }
  const TexturPart* BarFull() const { return m_barFull; }
  const TexturPart* BarEmpty() const { return m_barEmpty; }
  const TexturPart* Notice() const { return m_notice; }
  const TexturPart* Border(int index) const { return m_borders[index]; }  // left, right, top, bottom
  const RectF& SplashRect() const { return m_splashRect; }
  const RectF& BarRect() const { return m_barRect; }
  const RectF& NoticeRect() const { return m_noticeRect; }

 private:
  void ReadDescription(const KVNode& description, const DataArchive* archive);
  void DrawBorders(int32_t width, int32_t height);
  template <typename Fn>
  void ForEachPicture(Fn&& fn) const;

  APIGraphics* m_graphics;
  std::unique_ptr<platform::Texture> m_capture;
  platform::Texture* m_savedTarget = nullptr;
  bool m_savedTargetHeld = false;
  bool m_renderToTexture = false;
  Argb m_backColour = 0xFFFFFFFF;
  bool m_clearScreen = true;
  bool m_captureReady = true;
  double m_maximum = 0.0;
  double m_progress = 0.0;
  const TexturPart* m_splash = nullptr;
  const TexturPart* m_barFull = nullptr;
  const TexturPart* m_barEmpty = nullptr;
  const TexturPart* m_notice = nullptr;
  const TexturPart* m_borders[4] = {nullptr, nullptr, nullptr, nullptr};
  RectF m_splashRect{0.0f, 0.0f, 1.0f, 1.0f};
  RectF m_barRect{0.0f, 0.0f, 1.0f, 1.0f};
  RectF m_noticeRect{0.0f, 0.0f, 0.0f, 0.0f};
  bool m_useBorders = false;
};
