// The OpenGL backend offscreen: clearing, pixel-exact sprites, blending, pre-transformed
// quads, render targets and resets, checked on read-back pixels.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/effect.h"
#include "platform/graphics.h"
#include "platform/spritebatch.h"
#include "platform/window.h"

using platform::GraphicsDevice;
using platform::SpriteBatch;
using platform::Texture;
using platform::Vector2;

namespace {

class GlDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    window = platform::Window::Create(u"test", 64, 48, &error);
    ASSERT_NE(window, nullptr) << error;
    device = GraphicsDevice::CreateOpenGL(*window, 64, 48, &error);
    ASSERT_NE(device, nullptr) << error;
    batch = std::make_unique<SpriteBatch>(*device);
  }

  uint32_t At(const std::vector<uint32_t>& pixels, int x, int y, int width = 64) {
    return pixels[size_t(y) * size_t(width) + size_t(x)];
  }

  std::shared_ptr<Texture> Pattern(int w, int h) {
    auto t = std::make_shared<Texture>(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        t->MutablePixels()[y * w + x] = 0xFF000000u | uint32_t(x * 31 << 16 | y * 29 << 8 | (x ^ y) * 17);
    t->MarkAllDirty();
    return t;
  }

  std::unique_ptr<platform::Window> window;
  std::unique_ptr<GraphicsDevice> device;
  std::unique_ptr<SpriteBatch> batch;
};

int Channel(uint32_t argb, int shift) { return int((argb >> shift) & 0xFF); }

}  // namespace

TEST_F(GlDeviceTest, ClearsAndReadsBackTheBackBuffer) {
  device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF336699, 1.0f,
                0);
  auto pixels = device->ReadPixels();
  ASSERT_EQ(pixels.size(), 64u * 48u);
  for (uint32_t p : pixels) ASSERT_EQ(p, 0xFF336699u);
  EXPECT_TRUE(device->Present());
}

TEST_F(GlDeviceTest, PresentPutsTheBackBufferInTheWindowPixelForPixel) {
  // A window of the back buffer's own size: every window pixel is its back-buffer pixel, the
  // top row on top, with nothing blended between neighbours.
  auto texture = Pattern(16, 16);
  device->Clear(platform::kClearTarget, 0xFF102030, 1.0f, 0);
  batch->Begin(0);
  Vector2 at(3, 5);
  batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->End();
  const auto back = device->ReadPixels();
  ASSERT_TRUE(device->Present());
  std::vector<uint32_t> shown(64 * 48);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadPixels(0, 0, 64, 48, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, shown.data());
  device->InvalidateState();
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      ASSERT_EQ(shown[size_t(47 - y) * 64 + size_t(x)] | 0xFF000000u, At(back, x, y) | 0xFF000000u) << x << "," << y;
}

TEST_F(GlDeviceTest, SpritesMapTexelsOntoPixelsExactly) {
  auto texture = Pattern(8, 8);
  device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  for (uint32_t flags : {0u, SpriteBatch::kAlphaBlend}) {
    batch->Begin(flags);
    Vector2 at(5, 7);
    batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
    platform::Rect part{2, 1, 6, 4};
    Vector2 at2(40, 30);
    batch->Draw(texture.get(), &part, nullptr, &at2, 0xFFFFFFFF);
    batch->End();
    auto pixels = device->ReadPixels();
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        ASSERT_EQ(At(pixels, 5 + x, 7 + y), texture->PixelAt(x, y)) << x << "," << y;
    EXPECT_EQ(At(pixels, 4, 7), 0xFF000000u);
    EXPECT_EQ(At(pixels, 13, 7), 0xFF000000u);
    EXPECT_EQ(At(pixels, 5, 15), 0xFF000000u);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) ASSERT_EQ(At(pixels, 40 + x, 30 + y), texture->PixelAt(2 + x, 1 + y));
    EXPECT_EQ(At(pixels, 44, 30), 0xFF000000u);
  }
  // A changed texel reaches the screen through the next draw.
  int32_t pitch;
  platform::Rect one{0, 0, 1, 1};
  *texture->Lock(&one, pitch) = 0xFFABCDEF;
  texture->Unlock();
  batch->Begin(0);
  Vector2 at(5, 7);
  batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->End();
  EXPECT_EQ(At(device->ReadPixels(), 5, 7), 0xFFABCDEFu);
}

TEST_F(GlDeviceTest, AlphaBlendsStraightOnAllChannelsAndModulatesByColour) {
  auto texture = std::make_shared<Texture>(2, 1);
  texture->MutablePixels()[0] = 0x80FF0000;  // half-transparent red
  texture->MutablePixels()[1] = 0x00FFFFFF;  // fully transparent white
  device->Clear(platform::kClearTarget, 0xFF0000C8, 1.0f, 0);
  batch->Begin(SpriteBatch::kAlphaBlend);
  Vector2 at(0, 0);
  batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->End();
  auto pixels = device->ReadPixels();
  uint32_t blended = At(pixels, 0, 0);
  EXPECT_NEAR(Channel(blended, 16), 128, 1);
  EXPECT_NEAR(Channel(blended, 0), 200 * 127 / 255, 1);
  // Destination alpha becomes a*a + d*(1-a).
  EXPECT_NEAR(Channel(blended, 24), 191, 1);
  EXPECT_EQ(At(pixels, 1, 0), 0xFF0000C8u);

  // Opaque drawing writes even transparent texels.
  batch->Begin(0);
  batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->End();
  EXPECT_EQ(At(device->ReadPixels(), 1, 0), 0x00FFFFFFu);

  auto white = std::make_shared<Texture>(1, 1);
  white->MutablePixels()[0] = 0xFFFFFFFF;
  batch->Begin(SpriteBatch::kAlphaBlend);
  Vector2 at2(10, 10);
  batch->Draw(white.get(), nullptr, nullptr, &at2, 0xFF804020);
  batch->End();
  EXPECT_EQ(At(device->ReadPixels(), 10, 10), 0xFF804020u);
}

TEST_F(GlDeviceTest, TransformedSpritesScaleAndMirror) {
  auto texture = Pattern(4, 4);
  device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  batch->Begin(0);
  Vector2 scale(-1, 1), pos(20, 0);
  batch->SetTransform(platform::Transformation2D(nullptr, 0, &scale, nullptr, 0, &pos));
  batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  auto pixels = device->ReadPixels();
  // Mirrored about x = 20: texel 0 lands on pixel 19, texel 3 on pixel 16.
  for (int x = 0; x < 4; ++x) EXPECT_EQ(At(pixels, 19 - x, 2), texture->PixelAt(x, 2));
}

TEST_F(GlDeviceTest, SpritesPartlyOffTheTargetShowWhatTheWholeSpriteShowsThere) {
  // Each pixel of the back buffer must take the colour the whole quad gives it: the same quads
  // drawn 32 pixels further in on a target of twice the size, where nothing of them is off.
  auto texture = std::make_shared<Texture>(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const uint32_t alpha = (x + y) % 3 == 0 ? 0x80 : 0xFF;
      texture->MutablePixels()[y * 16 + x] = alpha << 24 | uint32_t(x * 15 << 16 | y * 13 << 8 | (x ^ y) * 11);
    }
  texture->MarkAllDirty();
  auto big = std::make_shared<Texture>(128, 96, 1, platform::kUsageRenderTarget);
  // Corners x0..x1 by y0..y1; the texture's u runs along x, or along y where turned.
  auto quadAt = [](float x0, float y0, float x1, float y1, bool turned) {
    platform::SpriteQuad q;
    for (int i = 0; i < 4; ++i) {
      const float fx = float(i & 1), fy = float(i >> 1);
      q.v[i].x = x0 + (x1 - x0) * fx;
      q.v[i].y = y0 + (y1 - y0) * fy;
      q.v[i].u = turned ? fy : fx;
      q.v[i].v = turned ? 1.0f - fx : fy;
      q.v[i].s = fx;
      q.v[i].t = fy;
    }
    return q;
  };
  struct Case {
    const char* name;
    float x0, y0, x1, y1;
    bool turned, blend;
    int tolerance;  // per channel: the filter's rounding between texels
  } cases[] = {
      {"off the left", -5, 10, 11, 26, false, false, 0},
      {"off the right and the bottom, blended", 56, 40, 72, 56, false, true, 0},
      {"off the top, enlarged between pixels", 20.5f, -9.25f, 60.5f, 14.75f, false, true, 2},
      {"mirrored, off the left", 6, 20, -10, 36, false, false, 0},
      {"upside down, off the bottom", 30, 55, 46, 39, false, true, 0},
      {"shrunk, off the right", 58.3f, 3, 71.1f, 15.8f, false, false, 2},
      {"turned by a quarter, off the left and the top", -7, -3, 9, 13, true, true, 0},
      {"wholly off", 70, 10, 86, 26, false, false, 0},
      {"over the whole target, enlarged", -40, -30, 100, 70, false, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint32_t> pictures[2];
    for (int inBig = 0; inBig < 2; ++inBig) {
      ASSERT_TRUE(device->SetRenderTarget(inBig ? big.get() : nullptr));
      const float dx = inBig ? 32.0f : 0.0f, dy = inBig ? 24.0f : 0.0f;
      device->Clear(platform::kClearTarget, 0xFF204060, 1.0f, 0);
      const platform::SpriteQuad quad = quadAt(c.x0 + dx, c.y0 + dy, c.x1 + dx, c.y1 + dy, c.turned);
      device->DrawSpriteQuads(texture.get(), &quad, 1, platform::DrawState{c.blend, c.blend});
      pictures[inBig] = device->ReadPixels();
    }
    ASSERT_TRUE(device->SetRenderTarget(nullptr));
    bool drew = false;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint32_t cut = At(pictures[0], x, y), whole = At(pictures[1], x + 32, y + 24, 128);
        drew = drew || cut != 0xFF204060u;
        for (int shift : {24, 16, 8, 0})
          ASSERT_NEAR(Channel(cut, shift), Channel(whole, shift), c.tolerance) << x << "," << y;
      }
    EXPECT_EQ(drew, c.x0 < 64.0f) << "a quad with a part on the target draws it";
  }
}

TEST_F(GlDeviceTest, ADrawOfManyQuadsDrawsEveryOne) {
  // More quads in one draw than the driver takes at once: each one-pixel quad has a colour of
  // its own, so a quad left out or drawn twice in the wrong place shows.
  std::vector<platform::SpriteQuad> quads;
  auto colourOf = [](int x, int y) { return 0xFF000000u | uint32_t(x * 4 << 16 | y * 5 << 8 | (x + y)); };
  for (int y = 0; y < 48; y += 2)
    for (int x = 0; x < 64; ++x) {
      platform::SpriteQuad q;
      for (int i = 0; i < 4; ++i) {
        q.v[i].x = float(x + (i & 1));
        q.v[i].y = float(y + (i >> 1));
        q.v[i].colour = colourOf(x, y);
      }
      quads.push_back(q);
    }
  ASSERT_GT(quads.size(), 1000u);
  device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  device->DrawSpriteQuads(nullptr, quads.data(), quads.size(), platform::DrawState{false, false});
  const auto pixels = device->ReadPixels();
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(At(pixels, x, y), y % 2 ? 0xFF000000u : colourOf(x, y)) << x << "," << y;
}

TEST_F(GlDeviceTest, MipmappedSpritesReadLevelZeroAtTheirSizeAndTheChainWhenShrunk) {
  // One-texel black and white squares: level 0 is the pattern, every smaller level grey.
  auto texture = std::make_shared<Texture>(16, 16, 5);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) texture->MutablePixels()[y * 16 + x] = (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000;
  texture->MarkAllDirty();
  struct Case {
    const char* name;
    float scale;
    float rotation;
    bool pattern;  // level 0's squares (else the grey of the smaller levels)
  } cases[] = {
      {"own size", 1.0f, 0.0f, true},
      {"own size, turned a quarter", 1.0f, 1.5707964f, true},
      // At 0.4 the pixel centres fall between texel centres, where level 0 alone would give
      // a quarter or three quarters of white, not the chain's grey.
      {"shrunk", 0.4f, 0.0f, false},
      {"shrunk and turned", 0.4f, 0.5f, false},
  };
  for (const Case& c : cases) {
    // A magnifying quad in the same batch does not take the shrunk one's mip chain away.
    for (bool withLargeQuad : {false, true}) {
      device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
      batch->Begin(0);
      const Vector2 scale(c.scale, c.scale), centre(8.0f * c.scale, 8.0f * c.scale), pos(24, 16);
      batch->SetTransform(platform::Transformation2D(nullptr, 0, &scale, &centre, c.rotation, &pos));
      batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
      if (withLargeQuad) {
        const Vector2 twice(2.0f, 2.0f), corner(0, 0);
        batch->SetTransform(platform::Transformation2D(nullptr, 0, &twice, nullptr, 0, &corner));
        platform::Rect one{0, 0, 2, 2};
        batch->Draw(texture.get(), &one, nullptr, nullptr, 0xFFFFFFFF);
      }
      batch->End();
      const auto pixels = device->ReadPixels();
      const uint32_t middle = At(pixels, 24 + int(4 * c.scale), 16 + int(4 * c.scale));
      if (c.pattern) {
        EXPECT_TRUE(middle == 0xFF000000u || middle == 0xFFFFFFFFu) << c.name << std::hex << " " << middle;
      } else {
        EXPECT_NEAR(Channel(middle, 8), 128, 12) << c.name << (withLargeQuad ? " beside a large quad" : "");
      }
    }
  }
}

// The minifying filter of the sampler a draw left on unit 0 (the texture's own without one).
GLint MinFilterInUse() {
  glActiveTexture(GL_TEXTURE0);
  GLint sampler = 0, filter = 0;
  glGetIntegerv(GL_SAMPLER_BINDING, &sampler);
  if (sampler)
    glGetSamplerParameteriv(GLuint(sampler), GL_TEXTURE_MIN_FILTER, &filter);
  else
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  return filter;
}

TEST_F(GlDeviceTest, SpritesReadTheCheapestFilterThatKeepsTheirPicture) {
  // One-texel black and white squares with a chain: level 0 is the pattern, every smaller level
  // grey, so a pixel shows which levels were read and how far between texels it fell.
  auto squares = std::make_shared<Texture>(16, 16, 5);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) squares->MutablePixels()[y * 16 + x] = (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000;
  squares->MarkAllDirty();
  auto pattern = Pattern(16, 16);
  // Level 0 alone read bilinearly at pixel (20 + k, 10 + k) of the squares drawn from (20, 10)
  // at `scale`: the pixel centre lies at texel position p on both axes.
  auto levelZeroAt = [](float scale, int k) {
    const double p = (k + 0.5) / scale - 0.5, i = std::floor(p), f = p - i;
    const double w[2] = {1.0 - f, f};
    double value = 0.0;
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) value += w[dx] * w[dy] * ((int(i) * 2 + dx + dy) % 2 ? 255.0 : 0.0);
    return value;
  };
  struct Case {
    const char* name;
    Texture* texture;
    float scale, rotation;
    Vector2 at;
    GLint filter;
    int k;  // the pixel looked at: (20 + k, 10 + k)
    double value;  // its green; -1: every pixel its texel exactly; -2: the chain's grey
  } cases[] = {
      // On whole pixels 1:1, each pixel centre is a texel centre: the nearest texel is the picture.
      {"own size on whole pixels", pattern.get(), 1.0f, 0.0f, {20, 10}, GL_NEAREST, 0, -1},
      {"turned a quarter on whole pixels", pattern.get(), 1.0f, 1.5707964f, {20, 10}, GL_NEAREST, 0, -1},
      // Half a pixel off, the filter blends neighbours: a camera between pixels still moves smoothly.
      {"own size between pixels", squares.get(), 1.0f, 0.0f, {19.5f, 10}, GL_LINEAR, 2, 127.5},
      // A step that is not quite 1 drifts off the texel centres across the picture.
      {"slightly larger", squares.get(), 1.03f, 0.0f, {20, 10}, GL_LINEAR, 12, levelZeroAt(1.03f, 12)},
      // Shrunk by less than half a mip level: level 0 alone, no chain's grey blended in.
      {"shrunk a little", squares.get(), 0.9f, 0.0f, {20, 10}, GL_LINEAR, 0, levelZeroAt(0.9f, 0)},
      {"shrunk to the edge", squares.get(), 0.72f, 0.0f, {20, 10}, GL_LINEAR, 0, levelZeroAt(0.72f, 0)},
      // Shrunk by more: the trilinear filter over the chain.
      {"shrunk more", squares.get(), 0.68f, 0.0f, {20, 10}, GL_LINEAR_MIPMAP_LINEAR, 0, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
    batch->Begin(0);
    const Vector2 scale(c.scale, c.scale), centre(0, 0);
    batch->SetTransform(platform::Transformation2D(nullptr, 0, &scale, &centre, c.rotation, &c.at));
    batch->Draw(c.texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    batch->End();
    EXPECT_EQ(MinFilterInUse(), c.filter);
    const auto pixels = device->ReadPixels();
    if (c.value == -1) {
      // A quarter turn about the corner: texel (x, y) lands left of it, on pixel (19 - y, 10 + x).
      for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
          const int px = c.rotation == 0.0f ? 20 + x : 19 - y, py = c.rotation == 0.0f ? 10 + y : 10 + x;
          ASSERT_EQ(At(pixels, px, py), c.texture->PixelAt(x, y)) << x << "," << y;
        }
    } else if (c.value >= 0) {
      EXPECT_NEAR(Channel(At(pixels, 20 + c.k, 10 + c.k), 8), c.value, 3);
    } else {
      // The chain's grey weighs in: well above level 0's value there.
      EXPECT_GT(Channel(At(pixels, 20 + c.k, 10 + c.k), 8), levelZeroAt(c.scale, c.k) + 12);
    }
  }
}

TEST_F(GlDeviceTest, QuadsOfOneColourDrawTheSamePictureAsQuadsOfMixedColours) {
  // A draw whose quads all have one colour takes a cheaper program (the texture alone, or times
  // the colour as a uniform) unless it tests alpha without blending; a second quad of another
  // colour keeps the draw on the general one. Both pictures must match, transparent and
  // half-transparent texels included, on the back buffer and on a render target: to the bit
  // where texels lie 1:1 on whole pixels, within the filter's rounding between texels.
  auto texture = std::make_shared<Texture>(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint32_t alpha = x < 2 ? 0x00 : x < 4 ? 0x80 : x < 6 ? 0x3C : 0xFF;
      texture->MutablePixels()[y * 8 + x] = alpha << 24 | uint32_t(x * 37 << 16 | y * 23 << 8 | (x ^ y) * 29);
    }
  texture->MarkAllDirty();
  auto background = Pattern(64, 48);
  auto target = std::make_shared<Texture>(64, 48, 1, platform::kUsageRenderTarget);
  auto quadAt = [](float x, float y, float w, float h, uint32_t colour) {
    platform::SpriteQuad q;
    const float xs[4] = {x, x + w, x, x + w}, ys[4] = {y, y, y + h, y + h};
    const float us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
      q.v[i].x = xs[i];
      q.v[i].y = ys[i];
      q.v[i].u = us[i];
      q.v[i].v = vs[i];
      q.v[i].colour = colour;
    }
    return q;
  };
  struct Case {
    const char* name;
    bool textured;
    uint32_t colour;
    platform::DrawState state;
    float x, scale;
    int tolerance;  // per channel
  } cases[] = {
      {"white, blended", true, 0xFFFFFFFF, {true, true}, 5, 1, 0},
      {"tinted, blended", true, 0x80FF8040, {true, true}, 5, 1, 0},
      {"tinted, blended without the alpha test", true, 0xC0408020, {true, false}, 5, 1, 0},
      {"white, opaque", true, 0xFFFFFFFF, {false, false}, 5, 1, 0},
      {"tinted, opaque", true, 0x7F20C0FF, {false, false}, 5, 1, 0},
      {"white, alpha-tested without blending", true, 0xFFFFFFFF, {false, true}, 5, 1, 0},
      {"no texture, blended", false, 0x80FF8040, {true, true}, 5, 1, 0},
      {"no texture, opaque", false, 0xFF336699, {false, false}, 5, 1, 0},
      {"white, blended, between pixels", true, 0xFFFFFFFF, {true, true}, 5.5f, 1, 2},
      {"tinted, blended, enlarged", true, 0xC0FF8040, {true, true}, 3, 2.6f, 2},
      {"white, opaque, shrunk", true, 0xFFFFFFFF, {false, false}, 3, 0.8f, 2},
  };
  for (Texture* into : {static_cast<Texture*>(nullptr), target.get()}) {
    ASSERT_TRUE(device->SetRenderTarget(into));
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (into ? " into a target" : ""));
      Texture* drawn = c.textured ? texture.get() : nullptr;
      const float size = (c.textured ? 8.0f : 5.0f) * c.scale;
      std::vector<uint32_t> pictures[2];
      GLint programs[2] = {0, 0};
      for (int mixed = 0; mixed < 2; ++mixed) {
        device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
        const platform::SpriteQuad under = quadAt(0, 0, 64, 48, 0xFFFFFFFF);
        device->DrawSpriteQuads(background.get(), &under, 1, platform::DrawState{false, false});
        const platform::SpriteQuad quads[2] = {quadAt(c.x, 7, size, size, c.colour),
                                               quadAt(40, 30, size, size, c.colour ^ 0x00010101)};
        device->DrawSpriteQuads(drawn, quads, size_t(1 + mixed), c.state);
        glGetIntegerv(GL_CURRENT_PROGRAM, &programs[mixed]);
        pictures[mixed] = device->ReadPixels();
      }
      device->InvalidateState();
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 32; ++x)
          for (int shift : {24, 16, 8, 0})
            ASSERT_NEAR(Channel(At(pictures[0], x, y), shift), Channel(At(pictures[1], x, y), shift),
                        c.tolerance)
                << x << "," << y;
      if (c.state.alphaTest && !c.state.blend)
        EXPECT_EQ(programs[0], programs[1]);
      else
        EXPECT_NE(programs[0], programs[1]);
      if (c.textured && c.scale == 1.0f) {
        // The draw did something: a transparent texel keeps the background where the alpha test
        // or blending says so.
        const bool keeps = c.state.blend || c.state.alphaTest;
        EXPECT_EQ(At(pictures[0], 5, 9) == background->PixelAt(5, 9), keeps);
      }
    }
  }
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
}

TEST_F(GlDeviceTest, LongRunsOfOneColourDrawTheSamePictureInTheSameOrder) {
  // A text's outline in one colour and then its letters in another: drawn run by run with the
  // cheaper programs, the picture must be the general program's, each run over the one before.
  // A quad whose corners differ in colour keeps the whole draw on the general program; it lies
  // apart, below row 40, so the two pictures are compared above it.
  auto texture = std::make_shared<Texture>(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const uint32_t alpha = x < 2 ? 0x00 : x < 5 ? 0x80 : 0xFF;
      texture->MutablePixels()[y * 8 + x] = alpha << 24 | uint32_t(x * 37 << 16 | y * 23 << 8 | (x ^ y) * 29);
    }
  texture->MarkAllDirty();
  auto quadAt = [](float x, float y, float size, uint32_t colour) {
    platform::SpriteQuad q;
    for (int i = 0; i < 4; ++i) {
      q.v[i].x = x + size * float(i & 1);
      q.v[i].y = y + size * float(i >> 1);
      q.v[i].u = float(i & 1);
      q.v[i].v = float(i >> 1);
      q.v[i].colour = colour;
    }
    return q;
  };
  struct Case {
    const char* name;
    float offset, size;
    int tolerance;  // per channel: the filter's rounding between texels
  } cases[] = {{"texels on pixels", 0.0f, 8.0f, 0}, {"between pixels, enlarged", 0.5f, 11.0f, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<platform::SpriteQuad> quads;
    for (int i = 0; i < 8; ++i) quads.push_back(quadAt(c.offset + float(i * 3), 4 + c.offset, c.size, 0x99203040));
    for (int i = 0; i < 8; ++i) quads.push_back(quadAt(c.offset + 2 + float(i * 3), 6 + c.offset, c.size, 0xFFFFFFFF));
    for (int i = 0; i < 6; ++i) quads.push_back(quadAt(c.offset + 30 + float(i * 4), 20 + c.offset, c.size, 0xC0FF8040));
    std::vector<uint32_t> pictures[2];
    GLint programs[2] = {0, 0};
    for (int general = 0; general < 2; ++general) {
      std::vector<platform::SpriteQuad> drawn = quads;
      if (general) {
        platform::SpriteQuad apart = quadAt(2, 44, 3, 0xFFFFFFFF);
        apart.v[3].colour = 0xFF00FF00;
        drawn.push_back(apart);
      }
      device->Clear(platform::kClearTarget, 0xFF506070, 1.0f, 0);
      device->DrawSpriteQuads(texture.get(), drawn.data(), drawn.size(), platform::DrawState{true, true});
      glGetIntegerv(GL_CURRENT_PROGRAM, &programs[general]);
      pictures[general] = device->ReadPixels();
    }
    device->InvalidateState();
    EXPECT_NE(programs[0], programs[1]) << "the runs took the general program";
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 64; ++x)
        for (int shift : {24, 16, 8, 0})
          ASSERT_NEAR(Channel(At(pictures[0], x, y), shift), Channel(At(pictures[1], x, y), shift), c.tolerance)
              << x << "," << y;
  }
}

TEST_F(GlDeviceTest, AShrunkTextureShowsItsLatestPixelsWhateverWasDrawnBetween) {
  // A plain texture with a chain, drawn shrunk, then repainted: its smaller levels must
  // follow level 0, whether the change was first sent by a draw at its own size or by the
  // shrunk draw itself, and whichever way the shrunk draw comes.
  auto texture = std::make_shared<Texture>(16, 16, 5);
  auto paint = [&](uint32_t colour) {
    std::fill(texture->MutablePixels(), texture->MutablePixels() + 16 * 16, colour);
    texture->MarkAllDirty();
  };
  auto drawShrunk = [&](bool preTransformed) {
    device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
    if (preTransformed) {
      // The whole texture onto 4 x 4 pixels.
      platform::SpriteQuad quad;
      const float xs[4] = {8, 12, 8, 12}, ys[4] = {8, 8, 12, 12}, us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
      for (int i = 0; i < 4; ++i) {
        quad.v[i].x = xs[i];
        quad.v[i].y = ys[i];
        quad.v[i].u = us[i];
        quad.v[i].v = vs[i];
      }
      device->DrawPreTransformedQuad(texture.get(), quad, platform::DrawState{false, false}, 0);
    } else {
      batch->Begin(0);
      const Vector2 scale(0.25f, 0.25f), pos(8, 8);
      batch->SetTransform(platform::Transformation2D(nullptr, 0, &scale, nullptr, 0, &pos));
      batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
      batch->End();
    }
    return At(device->ReadPixels(), 10, 10);
  };
  auto drawOwnSize = [&] {
    device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
    batch->Begin(0);
    const Vector2 pos(30, 20);
    batch->SetTransform(platform::Transformation2D(nullptr, 0, nullptr, nullptr, 0, &pos));
    batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
    batch->End();
    return At(device->ReadPixels(), 35, 25);
  };
  for (bool preTransformed : {false, true}) {
    for (bool ownSizeBetween : {false, true}) {
      SCOPED_TRACE(std::string(preTransformed ? "pre-transformed" : "sprite") +
                   (ownSizeBetween ? ", drawn at its own size between" : ""));
      paint(0xFFFFFFFF);
      EXPECT_EQ(drawShrunk(preTransformed), 0xFFFFFFFFu);
      for (uint32_t colour : {0xFF000000u, 0xFF808080u}) {
        paint(colour);
        if (ownSizeBetween) {
          EXPECT_EQ(drawOwnSize(), colour);
        }
        EXPECT_EQ(drawShrunk(preTransformed), colour);
      }
    }
  }
}

TEST_F(GlDeviceTest, ChainsMadeFromTheCpuCopyMatchTheDriversOwn) {
  // The same random picture twice: as a texture with a CPU copy, and drawn into a render
  // target with a chain, whose smaller levels only the driver can make. Shrunk by any
  // amount, both must give the same pixels.
  auto cpu = std::make_shared<Texture>(64, 32, 0);
  uint32_t seed = 12345;
  for (int i = 0; i < 64 * 32; ++i) {
    seed = seed * 1664525u + 1013904223u;
    cpu->MutablePixels()[i] = seed;
  }
  cpu->MarkAllDirty();
  auto target = std::make_shared<Texture>(64, 32, 0, platform::kUsageRenderTarget);
  ASSERT_GT(target->Levels(), 1);
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  batch->Begin(0);
  batch->Draw(cpu.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
  for (float scale : {0.5f, 0.37f, 0.25f, 0.11f}) {
    std::vector<uint32_t> pictures[2];
    for (int i = 0; i < 2; ++i) {
      device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
      batch->Begin(0);
      const Vector2 shrink(scale, scale), pos(3, 2);
      batch->SetTransform(platform::Transformation2D(nullptr, 0, &shrink, nullptr, 0, &pos));
      batch->Draw(i == 0 ? cpu.get() : target.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
      batch->End();
      pictures[i] = device->ReadPixels();
    }
    int differ = 0;
    for (size_t p = 0; p < pictures[0].size(); ++p) differ += pictures[0][p] != pictures[1][p];
    EXPECT_EQ(differ, 0) << "at scale " << scale;
    EXPECT_NE(At(pictures[0], 4, 3), 0xFF0000FFu) << "drawn at scale " << scale;
  }
}

TEST_F(GlDeviceTest, ATextureDrawnOnlyAtHalfOrLessHoldsNoLevelZeroOnTheDeviceAndDrawsTheSame) {
  // Two textures of one random picture with chains. `whole` is first drawn at its own size:
  // the device holds its level 0 and, from its first shrunk draw on, its chain. `halved` is
  // drawn at half its size or less, where no filter reads level 0: the device holds level 1
  // and smaller alone, a quarter of the memory. Both must draw the same pixels at every such
  // size, by the sprite batch, a pre-transformed quad and a sprite effect's pass; a draw that
  // reads level 0 gives `halved` its level 0 back.
  platform::EffectDescription description;
  platform::EffectTechniqueDesc technique;
  technique.name = "T";
  platform::EffectPassDesc pass;
  pass.name = "P";
  pass.layout = platform::EffectLayout::Sprite;
  pass.fragment = "void main() { o_Color = texture(g_Textur_SRC, v_Tex0) * v_Color; }";
  technique.passes.push_back(pass);
  description.techniques.push_back(technique);
  std::string error;
  ASSERT_TRUE(platform::PrepareEffectDescription(description, &error)) << error;
  std::unique_ptr<platform::Effect> effect = device->CreateEffect(description, &error);
  ASSERT_NE(effect, nullptr) << error;
  const platform::EffectHandle source = effect->GetParameterByName(platform::kEffectSourceTexture);

  auto random = [] {
    auto t = std::make_shared<Texture>(64, 32, 0);
    uint32_t seed = 777;
    for (int i = 0; i < 64 * 32; ++i) {
      seed = seed * 1664525u + 1013904223u;
      t->MutablePixels()[i] = seed | 0x80000000u;
    }
    t->MarkAllDirty();
    return t;
  };
  auto whole = random(), halved = random();
  // The width of level 0 and the last level of the texture on unit 0 just drawn.
  auto held = [](GLint& width, GLint& maxLevel) {
    glActiveTexture(GL_TEXTURE0);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
  };
  enum Way { kBatch, kQuad, kEffect };
  // Draws the texture at the scale at (3, 2); the level-0 width and last level held after it.
  auto draw = [&](Texture* texture, float scale, Way way, GLint& width, GLint& maxLevel) {
    device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
    if (way == kBatch) {
      batch->Begin(0);
      const Vector2 shrink(scale, scale), pos(3, 2);
      batch->SetTransform(platform::Transformation2D(nullptr, 0, &shrink, nullptr, 0, &pos));
      batch->Draw(texture, nullptr, nullptr, nullptr, 0xFFFFFFFF);
      batch->End();
    } else {
      platform::SpriteQuad quad;
      for (int i = 0; i < 4; ++i) {
        quad.v[i].x = 3.0f + (i & 1) * 64.0f * scale;
        quad.v[i].y = 2.0f + (i >> 1) * 32.0f * scale;
        quad.v[i].z = quad.v[i].rhw = 1.0f;
        quad.v[i].colour = 0xFFFFFFFF;
        quad.v[i].u = float(i & 1);
        quad.v[i].v = float(i >> 1);
      }
      uint32_t passes = 0;
      if (way == kEffect) {
        EXPECT_TRUE(effect->Begin(&passes));
        EXPECT_TRUE(effect->BeginPass(0));
        effect->SetTexture(source, texture);
        effect->CommitChanges();
      }
      device->DrawPreTransformedQuad(texture, quad, platform::DrawState{false, false}, 0);
      if (way == kEffect) {
        effect->EndPass();
        effect->End();
      }
    }
    held(width, maxLevel);
    return device->ReadPixels();
  };
  auto differ = [](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    int n = 0;
    for (size_t p = 0; p < a.size(); ++p) n += a[p] != b[p];
    return n;
  };

  GLint width = 0, maxLevel = -1;
  draw(whole.get(), 1.0f, kBatch, width, maxLevel);
  // Drawn at its own size only: level 0 alone, no room kept for a chain no draw has read.
  EXPECT_EQ(width, 64);
  EXPECT_EQ(maxLevel, 0);
  for (Way way : {kBatch, kQuad, kEffect}) {
    for (float scale : {0.5f, 0.37f, 0.25f, 0.11f}) {
      SCOPED_TRACE(testing::Message() << "way " << way << ", scale " << scale);
      const auto expected = draw(whole.get(), scale, way, width, maxLevel);
      EXPECT_EQ(width, 64);
      EXPECT_EQ(maxLevel, whole->Levels() - 1);
      const auto drawn = draw(halved.get(), scale, way, width, maxLevel);
      EXPECT_EQ(width, 32);
      EXPECT_EQ(maxLevel, halved->Levels() - 2);
      // At half size on whole pixels the level held first lies 1:1 on them: its nearest texel
      // is the chain's picture.
      if (way == kBatch && scale == 0.5f) {
        EXPECT_EQ(MinFilterInUse(), GL_NEAREST);
      }
      EXPECT_EQ(differ(drawn, expected), 0);
      EXPECT_NE(At(drawn, 4, 3), 0xFF0000FFu);
    }
  }
  // A change of the CPU copy reaches the halved copy's levels.
  std::fill(halved->MutablePixels(), halved->MutablePixels() + 64 * 32, 0xFF336699u);
  halved->MarkAllDirty();
  auto plain = draw(halved.get(), 0.25f, kEffect, width, maxLevel);
  EXPECT_EQ(width, 32);
  EXPECT_EQ(At(plain, 8, 5), 0xFF336699u);
  // Read at level 0 (shrunk a little, or at its own size), it holds level 0 again.
  std::copy(whole->Pixels(), whole->Pixels() + 64 * 32, halved->MutablePixels());
  halved->MarkAllDirty();
  for (float scale : {0.6f, 1.0f}) {
    SCOPED_TRACE(testing::Message() << "scale " << scale);
    const auto expected = draw(whole.get(), scale, kBatch, width, maxLevel);
    const auto drawn = draw(halved.get(), scale, kBatch, width, maxLevel);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(differ(drawn, expected), 0);
  }
}

TEST_F(GlDeviceTest, ADrawingAreaStretchesOverASmallerTarget) {
  // The back buffer's 64 x 48 pixels drawn into a quarter-size target.
  auto target = std::make_shared<Texture>(16, 12, 1, platform::kUsageRenderTarget);
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  device->SetDrawingArea(64, 48);
  EXPECT_EQ(device->AreaWidth(), 64);
  device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
  auto red = std::make_shared<Texture>(1, 1);
  red->MutablePixels()[0] = 0xFFFF0000;
  // One-texel squares with a mip chain: drawn at their own size in the area they shrink to
  // a quarter on the target, so the chain's grey is read, not level 0's squares.
  auto squares = std::make_shared<Texture>(16, 16, 5);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) squares->MutablePixels()[y * 16 + x] = (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000;
  squares->MarkAllDirty();
  batch->Begin(0);
  const Vector2 eight(8, 8), at(40, 20);
  batch->SetTransform(platform::Transformation2D(nullptr, 0, &eight, nullptr, 0, &at));
  batch->Draw(red.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  // Half a texel off, so level 0 alone would give pure black or white.
  const Vector2 one(1, 1), offset(0.5f, 16.5f);
  batch->SetTransform(platform::Transformation2D(nullptr, 0, &one, nullptr, 0, &offset));
  batch->Draw(squares.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  // A pre-transformed quad's pixel centres scale with the area too: its two pixels (area
  // 48 .. 51 wide, row 40 .. 43) land on target pixel 12, row 10.
  platform::SpriteQuad quad;
  const float xs[4] = {48, 51, 48, 51}, ys[4] = {40, 40, 43, 43};
  for (int i = 0; i < 4; ++i) {
    quad.v[i].x = xs[i];
    quad.v[i].y = ys[i];
    quad.v[i].colour = 0xFF00FF00;
  }
  device->DrawPreTransformedQuad(nullptr, quad, platform::DrawState{false, false}, 0);
  const auto pixels = device->ReadPixels();
  ASSERT_EQ(pixels.size(), 16u * 12u);
  // The red square: area 40 .. 48 by 20 .. 28, target 10 .. 12 by 5 .. 7.
  for (int y = 4; y <= 7; ++y)
    for (int x = 9; x <= 12; ++x)
      EXPECT_EQ(At(pixels, x, y, 16), x >= 10 && x < 12 && y >= 5 && y < 7 ? 0xFFFF0000u : 0xFF0000FFu)
          << x << ", " << y;
  EXPECT_NEAR(Channel(At(pixels, 2, 6, 16), 8), 128, 12) << "the squares shrunk to grey";
  EXPECT_EQ(At(pixels, 12, 10, 16), 0xFF00FF00u);
  EXPECT_EQ(At(pixels, 13, 10, 16), 0xFF0000FFu);
  // A new target brings the target's own size back.
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
  EXPECT_EQ(device->AreaWidth(), 64);
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  EXPECT_EQ(device->AreaWidth(), 16);
  EXPECT_EQ(device->AreaHeight(), 12);
}

TEST_F(GlDeviceTest, PreTransformedQuadsPutPixelCentresOnIntegerPositions) {
  auto texture = std::make_shared<Texture>(2, 1);
  texture->MutablePixels()[0] = 0xFF000000;
  texture->MutablePixels()[1] = 0xFFFFFFFF;
  device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
  platform::SpriteQuad quad;
  const float xs[4] = {0, 2, 0, 2}, ys[4] = {0, 0, 1, 1}, us[4] = {0, 1, 0, 1}, vs[4] = {0, 0, 1, 1};
  for (int i = 0; i < 4; ++i) {
    quad.v[i].x = xs[i];
    quad.v[i].y = ys[i];
    quad.v[i].u = us[i];
    quad.v[i].v = vs[i];
  }
  device->DrawPreTransformedQuad(texture.get(), quad, platform::DrawState{false, false}, 0);
  auto pixels = device->ReadPixels();
  // Pixel 0 samples u = 0 and pixel 1 samples u = 0.5, the edge between the two texels.
  EXPECT_EQ(At(pixels, 0, 0), 0xFF000000u);
  EXPECT_NEAR(Channel(At(pixels, 1, 0), 0), 128, 1);
  EXPECT_EQ(At(pixels, 2, 0), 0xFF0000FFu);
  EXPECT_EQ(At(pixels, 0, 1), 0xFF0000FFu);
}

TEST_F(GlDeviceTest, RenderTargetsKeepTopRowsOnTopAndResetKeepsTextures) {
  auto texture = Pattern(8, 8);
  auto target = std::make_shared<Texture>(16, 16, 1, platform::kUsageRenderTarget);
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  EXPECT_EQ(device->TargetWidth(), 16);
  device->Clear(platform::kClearTarget, 0xFF00FF00, 1.0f, 0);
  batch->Begin(0);
  batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  auto inTarget = device->ReadPixels();
  EXPECT_EQ(At(inTarget, 0, 0, 16), texture->PixelAt(0, 0));
  EXPECT_EQ(At(inTarget, 15, 15, 16), 0xFF00FF00u);
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
  EXPECT_FALSE(device->SetRenderTarget(texture.get()));  // not a render target

  ASSERT_TRUE(device->Reset(32, 24));
  EXPECT_EQ(device->BackBufferWidth(), 32);
  device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  batch->Begin(0);
  Vector2 at(1, 1);
  batch->Draw(target.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
  batch->End();
  auto pixels = device->ReadPixels();
  ASSERT_EQ(pixels.size(), 32u * 24u);
  EXPECT_EQ(At(pixels, 1, 1, 32), texture->PixelAt(0, 0));
  EXPECT_EQ(At(pixels, 8, 8, 32), texture->PixelAt(7, 7));
  EXPECT_EQ(At(pixels, 12, 12, 32), 0xFF00FF00u);  // the target's cleared part
  EXPECT_TRUE(device->Present());
}

TEST_F(GlDeviceTest, ARenderTargetStartsClearWithoutACpuCopy) {
  auto target = std::make_shared<Texture>(16, 16, 1, platform::kUsageRenderTarget);
  // Drawn opaque before anything was drawn into it: every channel of every texel is 0.
  device->Clear(platform::kClearTarget, 0xFF2040C0, 1.0f, 0);
  batch->Begin(0);
  batch->Draw(target.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  auto pixels = device->ReadPixels();
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x)
      ASSERT_EQ(At(pixels, x, y), x < 16 && y < 16 ? 0u : 0xFF2040C0u) << x << ", " << y;
  EXPECT_FALSE(target->HasCpuCopy()) << "the device never needs one";
  // And as a target it reads back clear until drawn into.
  ASSERT_TRUE(device->SetRenderTarget(target.get()));
  for (uint32_t p : device->ReadPixels()) ASSERT_EQ(p, 0u);
  EXPECT_FALSE(target->HasCpuCopy());
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
}

TEST_F(GlDeviceTest, AReleasedPictureDrawsClearUntilFilledOrReadAgain) {
  auto texture = Pattern(8, 8);
  const std::vector<uint32_t> kept(texture->Pixels(), texture->Pixels() + 64);
  auto draw = [&] {
    device->Clear(platform::kClearTarget, 0xFF2040C0, 1.0f, 0);
    batch->Begin(SpriteBatch::kAlphaBlend);
    Vector2 at(3, 2);
    batch->Draw(texture.get(), nullptr, nullptr, &at, 0xFFFFFFFF);
    batch->End();
    return device->ReadPixels();
  };
  draw();
  ASSERT_NE(texture->Gpu(), nullptr);
  ASSERT_TRUE(texture->ReleasePixels());
  EXPECT_EQ(texture->Gpu(), nullptr) << "the device copy goes with the CPU copy";
  // Drawn while released it shows nothing: the background stays.
  for (uint32_t p : draw()) ASSERT_EQ(p, 0xFF2040C0u);
  EXPECT_FALSE(texture->HasCpuCopy()) << "drawing does not bring the memory back";
  std::copy(kept.begin(), kept.end(), texture->MutablePixels());
  texture->MarkAllDirty();
  auto pixels = draw();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(At(pixels, 3 + x, 2 + y), kept[size_t(y * 8 + x)]) << x << "," << y;

  // With a way to read it again, the device reads it before drawing it.
  texture->SetRefill([&](uint32_t* p) {
    std::copy(kept.begin(), kept.end(), p);
    return true;
  });
  ASSERT_TRUE(texture->ReleasePixels());
  pixels = draw();
  EXPECT_TRUE(texture->HasCpuCopy());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(At(pixels, 3 + x, 2 + y), kept[size_t(y * 8 + x)]) << x << "," << y;
}

TEST_F(GlDeviceTest, APictureThatCanBeReadAgainGivesItsCopyBackAfterAFrameAndDrawsTheSame) {
  // One random picture with a chain three times: `kept` has no way to be read again; the
  // others do, and count their reads. `dropped` is first drawn at its own size, `shrunk` at
  // a quarter (the device then holds no level 0 of it).
  std::vector<uint32_t> picture(64 * 32);
  uint32_t seed = 777;
  for (uint32_t& p : picture) p = seed = seed * 1664525u + 1013904223u;
  auto make = [&](int* reads) {
    auto t = std::make_shared<Texture>(64, 32, 0);
    std::copy(picture.begin(), picture.end(), t->MutablePixels());
    t->MarkAllDirty();
    if (reads)
      t->SetRefill([&picture, reads](uint32_t* p) {
        ++*reads;
        std::copy(picture.begin(), picture.end(), p);
        return true;
      });
    return t;
  };
  int droppedReads = 0, shrunkReads = 0;
  auto kept = make(nullptr), dropped = make(&droppedReads), shrunk = make(&shrunkReads);
  auto draw = [&](Texture* t, float scale) {
    device->Clear(platform::kClearTarget, 0xFF0000FF, 1.0f, 0);
    batch->Begin(0);
    const Vector2 size(scale, scale), pos(3, 2);
    batch->SetTransform(platform::Transformation2D(nullptr, 0, &size, nullptr, 0, &pos));
    batch->Draw(t, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    batch->End();
    return device->ReadPixels();
  };
  draw(dropped.get(), 1.0f);
  draw(shrunk.get(), 0.25f);
  EXPECT_TRUE(dropped->HasCpuCopy()) << "kept until the frame is over";
  ASSERT_TRUE(device->Present());
  for (Texture* t : {dropped.get(), shrunk.get()}) {
    EXPECT_TRUE(t->CpuCopyDropped());
    EXPECT_FALSE(t->HasCpuCopy());
  }
  draw(kept.get(), 1.0f);
  ASSERT_TRUE(device->Present());
  EXPECT_TRUE(kept->HasCpuCopy()) << "nothing to read it again from";

  struct Step {
    Texture* texture;
    float scale;
    int droppedReads, shrunkReads;  // after the step
  };
  const Step steps[] = {
      // What the device holds is drawn without reading anything.
      {dropped.get(), 1.0f, 0, 0},
      {shrunk.get(), 0.25f, 0, 0},
      // Levels not made yet are made from the picture read again, as from the copy.
      {dropped.get(), 0.37f, 1, 0},
      // Level 0 the device left out is sent from the picture read again.
      {shrunk.get(), 1.0f, 1, 1},
  };
  for (const Step& s : steps) {
    const auto want = draw(kept.get(), s.scale);
    const auto got = draw(s.texture, s.scale);
    int differ = 0;
    for (size_t p = 0; p < want.size(); ++p) differ += want[p] != got[p];
    EXPECT_EQ(differ, 0) << "at scale " << s.scale;
    EXPECT_EQ(droppedReads, s.droppedReads) << "at scale " << s.scale;
    EXPECT_EQ(shrunkReads, s.shrunkReads) << "at scale " << s.scale;
  }

  // A device made anew holds nothing: it reads the pictures whose copies went.
  ASSERT_TRUE(device->Present());
  auto fresh = make(&droppedReads);
  draw(fresh.get(), 1.0f);
  ASSERT_TRUE(device->Present());
  ASSERT_TRUE(fresh->CpuCopyDropped());
  batch.reset();
  device.reset();
  std::string error;
  device = GraphicsDevice::CreateOpenGL(*window, 64, 48, &error);
  ASSERT_NE(device, nullptr) << error;
  batch = std::make_unique<SpriteBatch>(*device);
  const auto want = draw(kept.get(), 1.0f);
  EXPECT_EQ(draw(fresh.get(), 1.0f), want);
  EXPECT_EQ(droppedReads, 2);
}

TEST_F(GlDeviceTest, NeitherTheBackBufferNorATargetKeepsADepthOrStencilBuffer) {
  // No draw tests depth or stencil: a buffer for them would only cost memory and clears.
  auto attached = [](GLenum attachment) {
    GLint type = -1;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, attachment, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                          &type);
    return type;
  };
  auto target = std::make_shared<Texture>(16, 16, 1, platform::kUsageRenderTarget);
  for (Texture* drawnInto : {static_cast<Texture*>(nullptr), target.get()}) {
    ASSERT_TRUE(device->SetRenderTarget(drawnInto));
    // Clearing them asks for nothing that is not there.
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF102030, 1.0f, 0);
    EXPECT_EQ(attached(GL_COLOR_ATTACHMENT0), GL_TEXTURE);
    EXPECT_EQ(attached(GL_DEPTH_ATTACHMENT), GL_NONE);
    EXPECT_EQ(attached(GL_STENCIL_ATTACHMENT), GL_NONE);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(device->ReadPixels()[0], 0xFF102030u);
  }
  ASSERT_TRUE(device->SetRenderTarget(nullptr));
}

TEST_F(GlDeviceTest, ForcedStatusesAndFailedResets) {
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceStatus::Ok);
  device->ForceStatus(platform::DeviceStatus::Lost);
  EXPECT_FALSE(device->Reset(64, 48));
  device->ForceStatus(platform::DeviceStatus::NeedsReset);
  EXPECT_TRUE(device->Reset(64, 48));
  EXPECT_EQ(device->TestCooperativeLevel(), platform::DeviceStatus::Ok);
  device->FailResets(true);
  EXPECT_FALSE(device->Reset(64, 48));
}

TEST_F(GlDeviceTest, TexturesOutliveTheirDevice) {
  auto texture = Pattern(4, 4);
  batch->Begin(0);
  batch->Draw(texture.get(), nullptr, nullptr, nullptr, 0xFFFFFFFF);
  batch->End();
  EXPECT_NE(texture->Gpu(), nullptr);
  batch.reset();
  device.reset();
  EXPECT_EQ(texture->Gpu(), nullptr);
  EXPECT_EQ(texture->PixelAt(1, 1), 0xFF000000u | (31u << 16) | (29u << 8));
}
