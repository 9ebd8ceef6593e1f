// Particles drawn on OpenGL offscreen through the particle list's layer pass: placed by the
// view's offset and scale, sized from their own size, tinted and faded by their colour,
// turned by their angle, drawn mirrored upright when they point left and ask for it, and
// left out on other layers or when they are not to be drawn. The frame is written beside
// the build as "partikel_gl.png" for looking at.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/spriterenderer.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "objects/simservices.h"
#include "platform/window.h"
#include "support/frame_animations.h"
#include "support/kv_fixture.h"
#include "support/png.h"

namespace {

constexpr int kW = 320, kH = 240;
constexpr uint32_t kBack = 0xFF202020;
constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;

std::string Hex(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", v);
  return text;
}

// Channel-wise within a tolerance, alpha ignored.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 6) {
  for (int shift : {16, 8, 0})
    if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > tolerance)
      return ::testing::AssertionFailure() << Hex(actual) << " is not near " << Hex(expected);
  return ::testing::AssertionSuccess();
}

class ParticleFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    env.adapterModes.push_back({kW, kH, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    window = platform::Window::Create(u"particles", kW, kH);
    ASSERT_NE(window, nullptr);
    context.mainWindow = window.get();
    context.graphics = graphics.get();
    ASSERT_EQ(graphics->Create(), kResultOk);

    // A 16 x 16 picture in four quadrants: red, green above blue, yellow.
    auto texture = std::make_shared<platform::Texture>(16, 16);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        texture->MutablePixels()[y * 16 + x] = y < 8 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kYellow);
    animations.Add(u"VIERTEL", texture);

    timer.gameStep = 0.0;
    services.timer = &timer;
    services.graphics = graphics.get();
    services.particles = &list;
    SimServices::Install(&services);
  }
  void TearDown() override {
    list.Clear();
    SimServices::Install(nullptr);
    if (graphics) graphics->Release();
  }

  // A still particle of 32 x 32 showing the quadrants, with the further keys (which come
  // first, so that they win over the ones given here).
  Partikel* Add(const Vector2& at, std::u16string_view keys, Argb colour = 0xFFFFFFFF) {
    auto root = ParseBody(u"<T>" + std::u16string(keys) +
                          u"<ANIMATIONEN> \"VIERTEL\" <\\ANIMATIONEN><GRAVITATION> \"0\" <\\GRAVITATION>"
                          u"<SIZE> \"32\" \"32\" \"0\" \"0\" <\\SIZE><\\T>");
    list.AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"T"), animations.Manager()));
    const Vector2 still(0.0f, 0.0f);
    auto p = std::make_unique<Partikel>(list.GetInfos().back().get(), &at, &still, colour, 0);
    Partikel* raw = p.get();
    list.Add(std::move(p));
    return raw;
  }

  std::vector<uint32_t> Draw(const Vector2& offset, const Vector2& scale, int32_t layer) {
    // A paused step gives every particle its size without moving it.
    list.Update();
    platform::GraphicsDevice& device = *graphics->GetDevice();
    device.Clear(platform::kClearTarget, kBack, 1.0f, 0);
    SpriteRenderer& sprites = *graphics->GetSpriteRenderer();
    EXPECT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    list.Render(offset, scale, 0xFFFFFFFF, layer);
    EXPECT_EQ(sprites.End(), kResultOk);
    pitch = device.BackBufferWidth();
    return device.ReadPixels();
  }

  void Write(const char* name, const std::vector<uint32_t>& frame) {
    const std::vector<uint8_t> png = MakePng(
        kW, kH, [&](int x, int y) { return frame[size_t(y) * size_t(pitch) + size_t(x)] | 0xFF000000u; });
    std::ofstream(std::string(KRUMBOLT_BINARY_DIR) + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }

  APIContext context;
  DisplayEnvironment env;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<platform::Window> window;
  FrameAnimations animations;
  FrameTimer timer;
  SimServices services;
  PartikelListe list;
  int pitch = kW;
};

}  // namespace

TEST_F(ParticleFrame, DrawsEachParticleOfTheLayerByItsPlaceSizeColourAndAngle) {
  Add({40.0f, 40.0f}, u"");
  Add({100.0f, 40.0f}, u"<INIT_ROATION> \"90\" <\\INIT_ROATION>");
  Add({160.0f, 40.0f}, u"<INIT_ROATION> \"180\" <\\INIT_ROATION>");
  Add({220.0f, 40.0f}, u"<INIT_ROATION> \"180\" <\\INIT_ROATION><ROTATE_MIRROR> \"1\" <\\ROTATE_MIRROR>");
  // Its own colour multiplies the picture's; the type's colour key gives it half alpha.
  Add({40.0f, 100.0f}, u"", 0xFF00FFFF);
  Add({100.0f, 100.0f}, u"<COLORKEY> \"80FFFFFF\" \"0\" <\\COLORKEY>");
  Add({160.0f, 100.0f}, u"<DRAW_EBENE> \"1\" <\\DRAW_EBENE>");
  Add({220.0f, 100.0f}, u"<DRAW> \"0\" <\\DRAW>");
  Add({40.0f, 160.0f}, u"<SIZE> \"16\" \"48\" \"0\" \"0\" <\\SIZE>");

  const Vector2 offset(8.0f, 4.0f);
  const auto frame = Draw(offset, {1.0f, 1.0f}, 0);
  Write("partikel_gl.png", frame);
  // The colour at a point given relative to a particle's world centre.
  auto at = [&](const std::vector<uint32_t>& f, float cx, float cy, int dx, int dy, float scale = 1.0f,
                Vector2 off = {8.0f, 4.0f}) {
    const int x = int(cx * scale + off.x) + dx, y = int(cy * scale + off.y) + dy;
    return f[size_t(y) * size_t(pitch) + size_t(x)];
  };
  const struct {
    const char* what;
    Vector2 centre;
    uint32_t topLeft, topRight, bottomLeft, bottomRight;
  } cases[] = {
      {"upright", {40, 40}, kRed, kGreen, kBlue, kYellow},
      // A quarter turn clockwise on the screen (y grows downwards).
      {"turned 90", {100, 40}, kBlue, kRed, kYellow, kGreen},
      {"turned 180, upside down", {160, 40}, kYellow, kBlue, kGreen, kRed},
      {"pointing left, mirrored upright", {220, 40}, kGreen, kRed, kYellow, kBlue},
      {"tinted without red", {40, 100}, 0xFF000000, kGreen, kBlue, kGreen},
      {"half alpha over the background", {100, 100}, 0xFF901010, 0xFF109010, 0xFF101090, 0xFF909010},
      {"another layer", {160, 100}, kBack, kBack, kBack, kBack},
      {"not to be drawn", {220, 100}, kBack, kBack, kBack, kBack},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(Near(at(frame, c.centre.x, c.centre.y, -8, -8), c.topLeft));
    EXPECT_TRUE(Near(at(frame, c.centre.x, c.centre.y, 7, -8), c.topRight));
    EXPECT_TRUE(Near(at(frame, c.centre.x, c.centre.y, -8, 7), c.bottomLeft));
    EXPECT_TRUE(Near(at(frame, c.centre.x, c.centre.y, 7, 7), c.bottomRight));
  }
  // The picture covers exactly the particle's size around its position: 32 x 32 here, and
  // 16 x 48 for the tall one.
  EXPECT_TRUE(Near(at(frame, 40, 40, -16, -16), kRed));
  EXPECT_TRUE(Near(at(frame, 40, 40, 15, 15), kYellow));
  EXPECT_TRUE(Near(at(frame, 40, 40, -17, 0), kBack));
  EXPECT_TRUE(Near(at(frame, 40, 40, 16, 0), kBack));
  EXPECT_TRUE(Near(at(frame, 40, 160, -8, -24), kRed));
  EXPECT_TRUE(Near(at(frame, 40, 160, 7, 23), kYellow));
  EXPECT_TRUE(Near(at(frame, 40, 160, -9, 0), kBack));
  EXPECT_TRUE(Near(at(frame, 40, 160, 0, 24), kBack));

  // The front layer's pass draws only the front particle.
  const auto front = Draw(offset, {1.0f, 1.0f}, 1);
  EXPECT_TRUE(Near(at(front, 160, 100, -8, -8), kRed));
  EXPECT_TRUE(Near(at(front, 40, 40, -8, -8), kBack));

  // Twice the scale: twice the distance from the offset, twice the size.
  const auto zoomed = Draw({-20.0f, -30.0f}, {2.0f, 2.0f}, 0);
  EXPECT_TRUE(Near(at(zoomed, 40, 40, -31, -31, 2.0f, {-20.0f, -30.0f}), kRed));
  EXPECT_TRUE(Near(at(zoomed, 40, 40, 30, 30, 2.0f, {-20.0f, -30.0f}), kYellow));
  EXPECT_TRUE(Near(at(zoomed, 40, 40, -34, 0, 2.0f, {-20.0f, -30.0f}), kBack));
}

TEST_F(ParticleFrame, TheRenderExtraPassDrawsInTheEntrysKeyColours) {
  // An entry that masks particles: index 1 magenta, index 2 transparent, index 3 black;
  // the rest stay white.
  RenderExtraListe extras;
  extras.Load(ParseBody(u"<EINTRAG><NAME> \"Maske\" <\\NAME><RENDERABLE> \"PARTIKEL\" <\\RENDERABLE>"
                        u"<COLORKEYS> \"PARTIKEL\" <EINTRAG> \"1\" \"FFFF00FF\" <\\EINTRAG>"
                        u"<EINTRAG> \"2\" \"00FFFFFF\" <\\EINTRAG><EINTRAG> \"3\" \"FF000000\" <\\EINTRAG>"
                        u"<\\COLORKEYS><\\EINTRAG>")
                  .get());
  services.renderExtras = &extras;
  const std::u16string mask = u"Maske";
  Partikel* magenta = Add({40.0f, 40.0f},
                          u"<RENDER_EXTRA_ID> \"1\" <\\RENDER_EXTRA_ID>"
                          u"<RENDER_EXTRA_TYPEN> \"Maske\" <\\RENDER_EXTRA_TYPEN>");
  Add({100.0f, 40.0f}, u"<RENDER_EXTRA_ID> \"2\" <\\RENDER_EXTRA_ID>");
  Partikel* black = Add({160.0f, 40.0f}, u"<RENDER_EXTRA_ID> \"3\" <\\RENDER_EXTRA_ID>");
  Add({220.0f, 40.0f}, u"<RENDER_EXTRA_ID> \"4\" <\\RENDER_EXTRA_ID>");

  // Without a current entry nothing takes part.
  list.Update();
  EXPECT_FALSE(list.RenderExtra({8.0f, 4.0f}, {1.0f, 1.0f}, 0));
  ASSERT_NE(extras.Find(&mask), nullptr);

  platform::GraphicsDevice& device = *graphics->GetDevice();
  device.Clear(platform::kClearTarget, kBack, 1.0f, 0);
  SpriteRenderer& sprites = *graphics->GetSpriteRenderer();
  ASSERT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  EXPECT_TRUE(list.RenderExtra({8.0f, 4.0f}, {1.0f, 1.0f}, 0));
  // A black key draws, but counts as nothing drawn.
  EXPECT_FALSE(black->RenderExtra({8.0f, 4.0f}, {1.0f, 1.0f}, 0));
  EXPECT_TRUE(magenta->RenderExtra({8.0f, 4.0f}, {1.0f, 1.0f}, 0));
  EXPECT_FALSE(magenta->RenderExtra({8.0f, 4.0f}, {1.0f, 1.0f}, 1)) << "another layer";
  ASSERT_EQ(sprites.End(), kResultOk);
  const auto frame = device.ReadPixels();
  pitch = device.BackBufferWidth();
  auto at = [&](float cx, float cy, int dx, int dy) {
    return frame[size_t(int(cy + 4.0f) + dy) * size_t(pitch) + size_t(int(cx + 8.0f) + dx)];
  };
  // The picture times the key: red stays, green goes black, blue stays, yellow turns red.
  EXPECT_TRUE(Near(at(40, 40, -8, -8), kRed));
  EXPECT_TRUE(Near(at(40, 40, 7, -8), 0xFF000000));
  EXPECT_TRUE(Near(at(40, 40, -8, 7), kBlue));
  EXPECT_TRUE(Near(at(40, 40, 7, 7), kRed));
  EXPECT_TRUE(Near(at(100, 40, -8, -8), kBack)) << "a transparent key leaves the particle out";
  EXPECT_TRUE(Near(at(160, 40, 7, -8), 0xFF000000));
  EXPECT_TRUE(Near(at(220, 40, 7, -8), kGreen)) << "an index the entry leaves white";

  // The type's render-extra names were switched on at the first draw and are released with
  // the particle.
  EXPECT_EQ(extras.FindLast(mask)->GetUsers(), 1);
  list.Clear();
  EXPECT_EQ(extras.FindLast(mask)->GetUsers(), 0);
}
