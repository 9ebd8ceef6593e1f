// Drawing a picture's opaque pieces without blending gives, on OpenGL, the very pixels the
// same pieces give drawn blended: over a patterned target, in an opaque tint and plain, at
// whole pixels, between pixels, magnified and shrunk.
#include <gtest/gtest.h>

#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"
#include "world/screencover.h"

TEST(ScreenCoverFrame, OpaquePiecesDrawnUnblendedGiveThePixelsOfAllPiecesBlended) {
  constexpr int kW = 640, kH = 480;
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({kW, kH, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  auto window = platform::Window::Create(u"cover", kW, kH);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  ASSERT_EQ(graphics.Create(), kResultOk);
  platform::GraphicsDevice& device = *graphics.GetDevice();
  SpriteRenderer& sprites = *graphics.GetSpriteRenderer();

  // A picture clear at the top, a half-transparent band, then opaque with a clear hole and
  // texels of every colour; and a patterned background for the blended texels to fall on.
  constexpr int32_t kSize = 256;
  std::vector<uint32_t> pixels(size_t(kSize) * kSize);
  for (int32_t y = 0; y < kSize; ++y)
    for (int32_t x = 0; x < kSize; ++x) {
      const uint32_t rgb = (uint32_t(x * 7 + y) & 0xFF) << 16 | (uint32_t(x ^ y) & 0xFF) << 8 | uint32_t(y * 3 + x / 2) & 0xFF;
      const bool hole = (x - 170) * (x - 170) + (y - 190) * (y - 190) < 400;
      const uint32_t alpha = y < 30 || hole ? 0 : y < 90 ? uint32_t(40 + y) : 0xFF;
      pixels[size_t(y) * kSize + size_t(x)] = alpha << 24 | rgb;
    }
  platform::Texture picture(kSize, kSize, platform::Texture::FullMipCount(kSize, kSize));
  picture.Assign(pixels.data());
  const AlphaBlocks blocks = AlphaBlocks::Measure(kSize, kSize, [&](int32_t y) { return &pixels[size_t(y) * kSize]; });
  std::vector<uint32_t> pattern(size_t(64) * 64);
  for (int32_t i = 0; i < 64 * 64; ++i) pattern[size_t(i)] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
  platform::Texture background(64, 64);
  background.Assign(pattern.data());

  const ScreenCover cover(kW, kH);  // nothing hidden: only the split is seen
  auto frame = [&](const PlacedPicture& p, uint32_t colour, bool split) {
    device.Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    EXPECT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    const Vector2 stretch(float(kW) / 64.0f, float(kH) / 64.0f), corner(0.0f, 0.0f);
    sprites.DrawTransformed(&background, nullptr, &stretch, nullptr, 0.0, &corner, 0xFFFFFFFF);
    if (split) {
      DrawShowing(sprites, &picture, p, &cover, colour, &blocks);
    } else {
      // The same pieces, every one blended, put where DrawShowing puts them.
      std::vector<Rect> pieces, opaque;
      cover.ShowingPieces(p, pieces, &blocks, &opaque);
      EXPECT_FALSE(opaque.empty());
      pieces.insert(pieces.end(), opaque.begin(), opaque.end());
      platform::SpriteBatch& batch = *sprites.Batch();
      batch.SetTransform(platform::Transformation2D(nullptr, 0.0f, &p.scale, nullptr, 0.0f, &p.position));
      for (const Rect& piece : pieces) {
        const Vector2 fromSource(-float(piece.left - p.source.left), -float(piece.top - p.source.top));
        batch.Draw(&picture, &piece, &fromSource, nullptr, colour);
      }
    }
    EXPECT_EQ(sprites.End(), kResultOk);
    return device.ReadPixels();
  };
  const Rect whole{0, 0, kSize, kSize};
  for (const PlacedPicture& p : {PlacedPicture{whole, {40.0f, 30.0f}, {1.0f, 1.0f}},
                                 PlacedPicture{whole, {40.37f, 30.81f}, {1.0f, 1.0f}},
                                 PlacedPicture{whole, {-20.5f, 10.25f}, {1.83f, 1.6f}},
                                 PlacedPicture{whole, {300.3f, 200.6f}, {0.8f, 0.8f}},
                                 PlacedPicture{Rect{0, 17, 256, 240}, {350.0f, 12.2f}, {0.45f, 0.45f}}})
    for (uint32_t colour : {0xFFFFFFFFu, 0xFFC08040u}) {
      const auto blended = frame(p, colour, false);
      const auto split = frame(p, colour, true);
      size_t differing = 0;
      for (size_t i = 0; i < blended.size(); ++i) differing += blended[i] != split[i];
      EXPECT_EQ(differing, 0u) << "at " << p.position.x << ", " << p.position.y << " scale " << p.scale.x
                               << " colour " << std::hex << colour;
    }
  graphics.Release();
}
