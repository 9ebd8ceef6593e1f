// The shared pictures of the frame chain: three screen-sized render targets (the captured
// scene ORG, SOURCE as the next effect's input and WORK as its output), EXTRA for render-extra
// drawing at the screen's size (made when first asked for), smaller targets for render extras
// drawn at a reduced size and for small pictures held until the finishing pass, and the
// full-screen quad whose size the passes shrink and grow. Made again at the new back-buffer
// size after every device reset.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/resetobjekt.h"
#include "platform/graphics.h"
#include "platform/texture.h"

class APIGraphics;

class MyPostEffectRenderData : public ResetObjekt {
 public:
  // Vertex order of the quad: top-left, top-right, bottom-left, bottom-right.
  enum Corner { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3 };

  // Registers with the graphics manager and creates the resources at once.
  explicit MyPostEffectRenderData(APIGraphics* graphics);
  ~MyPostEffectRenderData() override;
  MyPostEffectRenderData(const MyPostEffectRenderData&) = delete;
  MyPostEffectRenderData& operator=(const MyPostEffectRenderData&) = delete;

  void OnResetDevice() override;
  void OnLostDevice() override;

  // Scale (1, 1) and the full-screen quad for the current back buffer: pixel edges at -0.5
  // and size - 0.5, both texture-coordinate pairs spanning 0 .. 1.
  void ResetQuad();
  // What a dynamic vertex buffer's discarding upload was: counted, so the chain's cost
  // stays visible.
  void UploadQuad() { ++m_uploads; }
  bool IsComplete() const { return m_org && m_source && m_work; }
  // The picture a pass wrote becomes the next effect's input: the two targets trade places
  // instead of copying a screen of pixels (each pass clears WORK before it draws).
  void SwapSourceAndWork() {
    m_source.swap(m_work);
    m_originalAsSource = false;
  }
  // SOURCE is ORG itself until the next pass's picture becomes SOURCE: a pass that reads the
  // captured picture needs no copy of it (the chain's finishing pass).
  void ReadOriginalAsSource(bool on) { m_originalAsSource = on; }
  // A picture finished in WORK becomes ORG the same way (ORG's old picture goes to WORK).
  void SwapOrgAndWork() { m_org.swap(m_work); }

  platform::SpriteQuad quad;
  float scaleX = 1.0f;
  float scaleY = 1.0f;

  platform::Texture* Org() const { return m_org.get(); }
  // The screen-sized picture for render extras, made on first use (null when the device
  // refuses it) and kept until the device is lost.
  platform::Texture* Extra();
  // A picture for render extras drawn at a reduced size: scaleX x scaleY of the screen
  // (each at most 1), made on first use and kept until the device is lost. EXTRA itself
  // at full size, or when the smaller target cannot be had.
  platform::Texture* ExtraAt(float scaleX, float scaleY);
  // A small picture of width x height kept in place `slot` until the finishing pass reads
  // it: made on first use, made again when the size changes, kept until the device is lost.
  // Null when the device refuses it.
  platform::Texture* Held(size_t slot, int32_t width, int32_t height);
  platform::Texture* Source() const { return m_originalAsSource ? m_org.get() : m_source.get(); }
  platform::Texture* Work() const { return m_work.get(); }
  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  uint64_t Uploads() const { return m_uploads; }

 private:
  APIGraphics* m_graphics;
  // A render target of that size, or null when the device refuses it.
  std::unique_ptr<platform::Texture> MakeTarget(int32_t width, int32_t height) const;

  std::unique_ptr<platform::Texture> m_org, m_extra, m_source, m_work;
  bool m_extraTried = false;
  bool m_originalAsSource = false;
  struct ReducedExtra {
    int32_t width;
    int32_t height;
    std::unique_ptr<platform::Texture> target;
  };
  std::vector<ReducedExtra> m_reducedExtras;
  std::vector<ReducedExtra> m_held;
  int32_t m_width = 0;
  int32_t m_height = 0;
  uint64_t m_uploads = 0;
};
