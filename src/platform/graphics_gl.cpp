// The OpenGL 3.3 core backend (through libepoxy). Everything is drawn into framebuffers
// whose memory row 0 is the top of the picture, the way textures are uploaded, so render
// targets can be drawn like any texture; Present flips the back buffer into the window.
#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/effect_backend.h"
#include "platform/graphics.h"
#include "platform/graphics_hooks.h"
#include "platform/mipchain.h"
#include "platform/sprite_programs.h"
#include "platform/window.h"

namespace platform {

namespace {

constexpr const char* kVertexShader = sprite_programs::kVertex;

constexpr const char* kFragmentShader = sprite_programs::kGeneral;

// The same picture for draws whose quads all have one colour, where the alpha test changes no
// pixel: white (the texture as it is) and any other (the texture times a uniform colour). The
// software rasteriser draws rectangles with these by its 8-bit path (kStoredFormat); it takes no
// shader with a discard, and the interpolated vertex colour it gets wrong on that path. Texels
// put 1:1 on whole pixels come out the same to the bit; between texels that path weighs the
// bilinear filter's texels in 8 bits, from where each rectangle starts: a step or two off the
// general program's picture, and off the same picture drawn in other pieces.
constexpr const char* kPlainFragmentShader = sprite_programs::kPlain;

constexpr const char* kTintedFragmentShader = sprite_programs::kTinted;

constexpr size_t kMaxQuadsPerCall = 4096;

// Pixel words 0xAARRGGBB lie in memory as the bytes B, G, R, A on this little-endian machine:
// uploaded as GL_BGRA bytes, which the software rasteriser copies as they are, whereas as packed
// 8-8-8-8 words it converts them pixel by pixel (the same texels either way).
static_assert(std::endian::native == std::endian::little);
constexpr GLenum kUploadType = GL_UNSIGNED_BYTE;
// Every texture and render target is stored as 8-bit B, G, R, A: the unsized format lets the
// driver keep the bytes in the order they come in. The software rasteriser draws axis-aligned
// rectangles into such a target with simple shaders (kPlainFragmentShader, kTintedFragmentShader)
// by an 8-bit path at a fraction of the cost per pixel of its general one; into targets made
// with the sized GL_RGBA8 it never took that path.
constexpr GLint kStoredFormat = GL_RGBA;

class GlDevice;

// The software rasteriser draws the two triangles of an upright rectangle by its rectangle path
// (and that by its 8-bit path, kStoredFormat) only when they reach it as a pair: a draw whose
// corners lie off the drawing area goes through its clipper, which passes the triangles on one
// by one, and the driver cuts a draw into runs of 1024 indices, which split a quad. Every
// upright quad is cut to the drawing area here, and no draw call takes more quads than a run
// holds whole.
constexpr size_t kMaxQuadsPerRun = 1024 / 6;

// Cuts an upright quad (corners 0-1 and 2-3 along x, 0-2 and 1-3 along y, either way round) to
// [0, width] x [0, height], its other values taken along with the corners; false when nothing of
// it is left, which covers no pixel centre. Other quads (turned, not a number, or with corners of
// different colours) are left as they are.
bool CutToArea(QuadVertex* v, float width, float height) {
  const double x0 = v[0].x, x1 = v[1].x, y0 = v[0].y, y1 = v[2].y;
  if (!(v[2].x == v[0].x && v[3].x == v[1].x && v[1].y == v[0].y && v[3].y == v[2].y)) return true;
  if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1)) return true;
  if (v[1].colour != v[0].colour || v[2].colour != v[0].colour || v[3].colour != v[0].colour) return true;
  const double cx0 = std::clamp(x0, 0.0, double(width)), cx1 = std::clamp(x1, 0.0, double(width));
  const double cy0 = std::clamp(y0, 0.0, double(height)), cy1 = std::clamp(y1, 0.0, double(height));
  if (cx0 == cx1 || cy0 == cy1) return false;
  if (cx0 == x0 && cx1 == x1 && cy0 == y0 && cy1 == y1) return true;
  // Each value is affine over the quad: the first corner's plus its steps along x and along y.
  const QuadVertex a = v[0], b = v[1], c = v[2];
  auto at = [&](double x, double y, QuadVertex& out) {
    const double fx = x1 != x0 ? (x - x0) / (x1 - x0) : 0.0, fy = y1 != y0 ? (y - y0) / (y1 - y0) : 0.0;
    auto mix = [&](float QuadVertex::*field) {
      return float(double(a.*field) + fx * (double(b.*field) - a.*field) + fy * (double(c.*field) - a.*field));
    };
    out.x = float(x);
    out.y = float(y);
    out.u = mix(&QuadVertex::u);
    out.v = mix(&QuadVertex::v);
    out.s = mix(&QuadVertex::s);
    out.t = mix(&QuadVertex::t);
  };
  at(cx0, cy0, v[0]);
  at(cx1, cy0, v[1]);
  at(cx0, cy1, v[2]);
  at(cx1, cy1, v[3]);
  return true;
}

// Which sprite program a draw takes. Blending straight alpha leaves the target as it was where
// a fragment's alpha is 0, so the alpha test only changes pixels of draws that do not blend.
enum class Shading { General, Plain, Tinted };
Shading ChooseShading(const SpriteQuad* quads, size_t count, const DrawState& state, uint32_t& colour) {
  if (state.alphaTest && !state.blend) return Shading::General;
  colour = count > 0 ? quads[0].v[0].colour : 0xFFFFFFFF;
  for (size_t i = 0; i < count; ++i)
    for (const QuadVertex& v : quads[i].v)
      if (v.colour != colour) return Shading::General;
  return colour == 0xFFFFFFFF ? Shading::Plain : Shading::Tinted;
}

// The number of runs of consecutive quads of one colour each, or 0 when a quad's corners differ
// in colour or the draw takes the general program whatever its colours.
constexpr size_t kMinColourRun = 3;  // quads a run holds on average, at least, to be drawn alone
size_t ColourRuns(const SpriteQuad* quads, size_t count, const DrawState& state) {
  if (count < 2 * kMinColourRun || (state.alphaTest && !state.blend)) return 0;
  size_t runs = 1;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t colour = quads[i].v[0].colour;
    for (const QuadVertex& v : quads[i].v)
      if (v.colour != colour) return 0;
    if (i > 0 && colour != quads[i - 1].v[0].colour) ++runs;
  }
  return runs;
}

// How a batch of quads reads its texture, from the cheapest way the picture allows:
//  - Nearest: every quad puts its texels 1:1 on whole pixels (upright, mirrored or turned by
//    quarters), so each pixel centre falls on a texel centre, where the bilinear filter would
//    return that texel alone: the nearest texel is the same picture for less work.
//  - LevelZero: no quad shrinks its texture by more than half a mip level. A mip-nearest filter
//    reads level 0 alone there too; saying so up front spares the software rasteriser the level
//    of detail it would otherwise work out for each pixel and the second level a trilinear
//    filter blends in (at most a ~1.4x shrink, where bilinear on level 0 skips no texel).
//  - Chain: the texture's own trilinear filter over its mip levels.
enum class Sampling { Nearest, LevelZero, Chain };

// Texel steps per target pixel along x and along y of a quad that maps its texels to the
// target affinely (the texel edges times the inverse of the target edges); the drawing area
// is stretched over the target by (areaX, areaY) target pixels per area pixel. False for a
// quad without area, which draws no pixel.
struct TexelSteps {
  double dudx, dvdx, dudy, dvdy;
};
bool TexelStepsOf(const SpriteQuad& quad, float width, float height, double areaX, double areaY,
                  TexelSteps& steps) {
  const QuadVertex& a = quad.v[0];
  const QuadVertex& b = quad.v[1];
  const QuadVertex& c = quad.v[2];
  const double px1 = (b.x - a.x) * areaX, py1 = (b.y - a.y) * areaY;
  const double px2 = (c.x - a.x) * areaX, py2 = (c.y - a.y) * areaY;
  const double tu1 = (b.u - a.u) * width, tv1 = (b.v - a.v) * height;
  const double tu2 = (c.u - a.u) * width, tv2 = (c.v - a.v) * height;
  const double det = px1 * py2 - px2 * py1;
  if (det == 0.0) return false;
  steps = {(tu1 * py2 - tu2 * py1) / det, (tv1 * py2 - tv2 * py1) / det, (tu2 * px1 - tu1 * px2) / det,
           (tv2 * px1 - tv1 * px2) / det};
  return true;
}

Sampling ChooseSampling(const SpriteQuad* quads, size_t count, float width, float height, double areaX,
                        double areaY) {
  // Texel positions within this of a pixel centre's texel centre read as exact: the bilinear
  // weight of a neighbour stays under 1/512.
  constexpr double kExact = 1.0 / 512.0;
  bool nearest = true;
  for (size_t i = 0; i < count; ++i) {
    TexelSteps st;
    if (!TexelStepsOf(quads[i], width, height, areaX, areaY, st)) continue;
    const double dudx = st.dudx, dvdx = st.dvdx, dudy = st.dudy, dvdy = st.dvdy;
    const QuadVertex& a = quads[i].v[0];
    // Squared texel steps up to 2: a level of detail up to 1/2.
    if (dudx * dudx + dvdx * dvdx > 2.0 || dudy * dudy + dvdy * dvdy > 2.0) return Sampling::Chain;
    if (!nearest) continue;
    // 1:1 on whole pixels: whole steps (a signed permutation) that hold at every corner, so a
    // step's error over the quad's size counts, and a texel centre under a pixel centre.
    const double ju = std::round(dudx), jv = std::round(dvdx), ku = std::round(dudy), kv = std::round(dvdy);
    if (std::fabs(ju) + std::fabs(jv) != 1.0 || std::fabs(ku) + std::fabs(kv) != 1.0 || ju * kv - jv * ku == 0.0) {
      nearest = false;
      continue;
    }
    // The texel under the pixel centre nearest to the first corner, and every corner where
    // the whole steps put it from there.
    const double ax = a.x * areaX, ay = a.y * areaY, au = a.u * width, av = a.v * height;
    const double cx = std::floor(ax) + 0.5 - ax, cy = std::floor(ay) + 0.5 - ay;
    const double u = au + ju * cx + ku * cy - 0.5, t = av + jv * cx + kv * cy - 0.5;
    bool exact = std::fabs(u - std::round(u)) <= kExact && std::fabs(t - std::round(t)) <= kExact;
    for (int k = 1; k < 4 && exact; ++k) {
      const QuadVertex& v = quads[i].v[k];
      const double dx = v.x * areaX - ax, dy = v.y * areaY - ay;
      exact = std::fabs(v.u * width - (au + ju * dx + ku * dy)) <= kExact &&
              std::fabs(v.v * height - (av + jv * dx + kv * dy)) <= kExact;
    }
    nearest = exact;
  }
  return nearest ? Sampling::Nearest : Sampling::LevelZero;
}

// Whether no quad reads level 0 of a texture with a mip chain: each shrinks it to half or less
// along one screen axis at least, a level of detail of 1 or more, where the filter reads level 1
// and smaller alone. The software rasteriser takes the level of detail from the largest
// component of the texel steps, never more than their length: that is what counts here, less a
// share of level 0 under 1/256 (a level of detail from 1 - 1/256).
bool NoneReadsLevelZero(const SpriteQuad* quads, size_t count, float width, float height, double areaX,
                        double areaY) {
  static const double kLimit = std::exp2(1.0 - 1.0 / 256.0);
  for (size_t i = 0; i < count; ++i) {
    TexelSteps st;
    if (!TexelStepsOf(quads[i], width, height, areaX, areaY, st)) continue;
    if (std::max({std::fabs(st.dudx), std::fabs(st.dvdx), std::fabs(st.dudy), std::fabs(st.dvdy)}) < kLimit)
      return false;
  }
  return true;
}

// A texture whose device copy may start at level 1: its chain is made here from the CPU copy.
bool CanLeaveOutLevelZero(const Texture& texture) {
  const int32_t w = texture.Width(), h = texture.Height();
  return texture.Levels() > 1 && !texture.IsRenderTarget() && texture.Pixels() && (w & (w - 1)) == 0 &&
         (h & (h - 1)) == 0;
}

class GlTexture final : public TextureGpu {
 public:
  GlTexture(GlDevice* device, Texture* owner);
  ~GlTexture() override;

  GlDevice* device;
  Texture* owner;
  GLuint name = 0;
  GLuint framebuffer = 0;
  // The smaller levels are made when a draw first shrinks the texture after a change, not on
  // every upload: many textures with a chain are drawn at their own size or larger for long.
  bool chainMade = false;  // the smaller levels have been defined
  bool chainStale = false;  // level 0 changed since the levels were last made
  // Levels left out at the top: 1 while every draw so far shrank the texture to half or less.
  // The device then holds level 1 and smaller as its levels 0 and on, a quarter of the
  // memory, and draws the same picture: coordinates are fractions of the texture, so the level
  // of detail falls by one with the size and the filter reads the same levels.
  int32_t leftOut = 0;
};

GLuint Compile(GLenum type, const char* source, std::string* error) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
    if (error) *error = std::string("shader: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

// A linked sprite program, its uniforms' locations (-1: not in it) and their values as last set.
struct SpriteProgram {
  GLuint name = 0;
  GLint targetSize = -1, pixelOffset = -1, alphaTest = -1, colour = -1;
  bool known = false;  // the values below hold for the program
  float width = 0.0f, height = 0.0f, offset = 0.0f;
  bool alphaTestOn = false;
  uint32_t tint = 0;
};

bool Link(GLuint vs, const char* fragmentSource, SpriteProgram& program, std::string* error) {
  GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource, error);
  if (!fs) return false;
  program.name = glCreateProgram();
  glAttachShader(program.name, vs);
  glAttachShader(program.name, fs);
  glLinkProgram(program.name);
  glDeleteShader(fs);
  GLint linked = 0;
  glGetProgramiv(program.name, GL_LINK_STATUS, &linked);
  if (!linked) {
    if (error) *error = "shader program does not link";
    return false;
  }
  program.targetSize = glGetUniformLocation(program.name, "uTargetSize");
  program.pixelOffset = glGetUniformLocation(program.name, "uPixelOffset");
  program.alphaTest = glGetUniformLocation(program.name, "uAlphaTest");
  program.colour = glGetUniformLocation(program.name, "uColour");
  glUseProgram(program.name);
  glUniform1i(glGetUniformLocation(program.name, "uTexture"), 0);
  return true;
}

class GlDevice final : public GraphicsDevice, public gl::EffectHost {
 public:
  GlDevice(Window& window, int32_t width, int32_t height)
      : GraphicsDevice(width, height), m_window(&window) {}

  ~GlDevice() override {
    if (!m_context) return;
    MakeCurrent();
    std::unordered_set<gl::EffectPassDrawer*> effects = m_effects;
    for (gl::EffectPassDrawer* e : effects) e->DropGl();
    std::unordered_set<Texture*> textures = m_textures;
    for (Texture* t : textures) t->DropGpu();
    glDeleteFramebuffers(1, &m_backFramebuffer);
    glDeleteTextures(1, &m_backColour);
    glDeleteBuffers(1, &m_vertexBuffer);
    glDeleteBuffers(1, &m_indexBuffer);
    glDeleteVertexArrays(1, &m_vertexArray);
    for (SpriteProgram& p : m_programs) glDeleteProgram(p.name);
    glDeleteTextures(1, &m_whiteTexture);
    glDeleteSamplers(1, &m_levelZeroSampler);
    glDeleteSamplers(1, &m_nearestSampler);
    SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_window->Native()), nullptr);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
  }

  bool Init(std::string* error) {
    SDL_Window* native = static_cast<SDL_Window*>(m_window->Native());
    m_context = SDL_GL_CreateContext(native);
    if (!m_context) {
      if (error) *error = SDL_GetError();
      return false;
    }
    SDL_GL_MakeCurrent(native, static_cast<SDL_GLContext>(m_context));
    // Never wait for the display: the main loop measures its own passes.
    SDL_GL_SetSwapInterval(0);
    if (epoxy_gl_version() < 33) {
      if (error) *error = "OpenGL 3.3 is not available";
      return false;
    }
    GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, error);
    if (!vs) return false;
    bool linked = true;
    for (Shading shading : {Shading::General, Shading::Plain, Shading::Tinted}) {
      const char* source = shading == Shading::General ? kFragmentShader
                           : shading == Shading::Plain ? kPlainFragmentShader
                                                       : kTintedFragmentShader;
      linked = linked && Link(vs, source, m_programs[size_t(shading)], error);
    }
    glDeleteShader(vs);
    if (!linked) return false;

    glGenVertexArrays(1, &m_vertexArray);
    glBindVertexArray(m_vertexArray);
    glGenBuffers(1, &m_vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(kMaxQuadsPerCall * 4 * sizeof(QuadVertex)), nullptr,
                 GL_STREAM_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(QuadVertex), (void*)offsetof(QuadVertex, x));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(QuadVertex),
                          (void*)offsetof(QuadVertex, colour));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(QuadVertex), (void*)offsetof(QuadVertex, u));
    std::vector<uint16_t> indices;
    indices.reserve(kMaxQuadsPerCall * 6);
    for (size_t q = 0; q < kMaxQuadsPerCall; ++q) {
      uint16_t b = uint16_t(q * 4);
      for (uint16_t i : {0, 1, 2, 2, 1, 3}) indices.push_back(uint16_t(b + i));
    }
    glGenBuffers(1, &m_indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);

    uint32_t white = 0xFFFFFFFF;
    glGenTextures(1, &m_whiteTexture);
    glBindTexture(GL_TEXTURE_2D, m_whiteTexture);
    glTexImage2D(GL_TEXTURE_2D, 0, kStoredFormat, 1, 1, 0, GL_BGRA, kUploadType, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);

    // Bound instead of the texture's own settings where a draw needs no mip level
    // (ChooseSampling): bilinear on level 0, and the nearest texel of level 0.
    glGenSamplers(1, &m_levelZeroSampler);
    glGenSamplers(1, &m_nearestSampler);
    for (const auto& [sampler, filter] : {std::pair{m_levelZeroSampler, GL_LINEAR}, std::pair{m_nearestSampler, GL_NEAREST}}) {
      glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, filter);
      glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, filter);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }

    glGenFramebuffers(1, &m_backFramebuffer);
    glGenTextures(1, &m_backColour);
    if (!ResetBackBuffer(m_width, m_height)) {
      if (error) *error = "the back buffer cannot be made";
      return false;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // The software rasteriser settles whether a frame may take its 8-bit path (kStoredFormat)
    // as the frame begins, from state it only works out at a draw: one draw of nothing here
    // lets the first frame draw the same pixels as every later one.
    Prepare(nullptr, DrawState{}, 0.0f, true, Shading::General, 0xFFFFFFFF);
    m_vertices.assign(4, QuadVertex{});
    Submit(1);
    glFlush();
    return glGetError() == GL_NO_ERROR;
  }

  Backend Kind() const override { return Backend::OpenGL; }

  void Clear(uint32_t flags, uint32_t argb, float z, uint32_t stencil) override {
    MakeCurrent();
    GLbitfield mask = 0;
    if (flags & kClearTarget) {
      ColorF c = ColorF::FromArgb(argb);
      glClearColor(c.r, c.g, c.b, c.a);
      mask |= GL_COLOR_BUFFER_BIT;
    }
    // No draw tests depth or stencil, so the device keeps neither buffer (a screen-sized one
    // would cost its memory and a clear every frame): clearing them has nothing to do.
    (void)z;
    (void)stencil;
    if (mask) glClear(mask);
  }

  bool Present() override {
    MakeCurrent();
    Size drawable = m_window->DrawableSize();
    Letterbox box = Letterbox::Compute(m_width, m_height, drawable.width, drawable.height);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_backFramebuffer);
    glViewport(0, 0, drawable.width, drawable.height);
    // The bars beside a picture of another shape are black; a picture that fills the window
    // leaves nothing to clear.
    if (box.x > 0 || box.y > 0 || box.width < drawable.width || box.height < drawable.height) {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
    }
    // Row 0 of the back buffer is the top of the picture; the window counts rows from the bottom.
    // At its own size each window pixel takes one back-buffer pixel: the nearest filter copies
    // them as they are, which the software rasteriser does as a plain copy.
    GLint top = drawable.height - box.y;
    const bool ownSize = box.width == m_width && box.height == m_height;
    glBlitFramebuffer(0, 0, m_width, m_height, box.x, top, box.x + box.width, top - box.height,
                      GL_COLOR_BUFFER_BIT, ownSize ? GL_NEAREST : GL_LINEAR);
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(m_window->Native()));
    BindTarget();
    DropUploadedCopies();
    return true;
  }

  std::vector<uint32_t> ReadPixels() override {
    MakeCurrent();
    int32_t w = TargetWidth(), h = TargetHeight();
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, CurrentFramebuffer());
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    return pixels;
  }

  bool SetRenderTarget(Texture* target) override {
    MakeCurrent();
    if (target) {
      if (!target->IsRenderTarget() || RenderTargetsRefused()) return false;
      if (!TargetFramebuffer(target)) return false;
    }
    m_target = target;
    m_areaWidth = m_areaHeight = 0;
    BindTarget();
    return true;
  }

  bool CopyRenderTarget(Texture* from, Texture* to) override {
    MakeCurrent();
    if (!from || !to || !from->IsRenderTarget() || !to->IsRenderTarget()) return false;
    if (from->Width() != to->Width() || from->Height() != to->Height()) return false;
    GLuint read = TargetFramebuffer(from), draw = TargetFramebuffer(to);
    if (!read || !draw) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
    glBlitFramebuffer(0, 0, from->Width(), from->Height(), 0, 0, to->Width(), to->Height(),
                      GL_COLOR_BUFFER_BIT, GL_NEAREST);
    BindTarget();
    return true;
  }

  bool CopyRenderTargetCorner(Texture* from, Texture* to) override {
    MakeCurrent();
    if (!from || !to || !from->IsRenderTarget() || !to->IsRenderTarget()) return false;
    if (to->Width() > from->Width() || to->Height() > from->Height()) return false;
    GLuint read = TargetFramebuffer(from), draw = TargetFramebuffer(to);
    if (!read || !draw) return false;
    // Memory row 0 is the top of every picture: the corner is rows and columns from 0.
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, draw);
    glBlitFramebuffer(0, 0, to->Width(), to->Height(), 0, 0, to->Width(), to->Height(), GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    BindTarget();
    return true;
  }

  bool CopyToBackBuffer(Texture* from) override {
    MakeCurrent();
    if (!from || !from->IsRenderTarget() || from->Width() != m_width || from->Height() != m_height) return false;
    GLuint read = TargetFramebuffer(from);
    if (!read || !m_backFramebuffer) return false;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, read);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_backFramebuffer);
    glBlitFramebuffer(0, 0, m_width, m_height, 0, 0, m_width, m_height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    BindTarget();
    return true;
  }

  void DrawSpriteQuads(Texture* texture, const SpriteQuad* quads, size_t count,
                       const DrawState& state) override {
    MakeCurrent();
    // Quads of a few long runs of one colour each (a text's outline, then its letters) are
    // drawn run by run, in the same order: each run takes a program without vertex colours
    // (ChooseShading), which the software rasteriser draws by its 8-bit path.
    if (const size_t runs = ColourRuns(quads, count, state); runs > 1 && runs * kMinColourRun <= count) {
      for (size_t start = 0, end = 1; end <= count; ++end)
        if (end == count || quads[end].v[0].colour != quads[start].v[0].colour) {
          DrawSpriteQuads(texture, quads + start, end - start, state);
          start = end;
        }
      return;
    }
    // The white texture (no texture) is one texel: every filter reads the same.
    const double areaX = double(TargetWidth()) / AreaWidth(), areaY = double(TargetHeight()) / AreaHeight();
    Sampling sampling = texture ? ChooseSampling(quads, count, float(texture->Width()),
                                                 float(texture->Height()), areaX, areaY)
                                : Sampling::Nearest;
    uint32_t colour = 0xFFFFFFFF;
    const Shading shading = ChooseShading(quads, count, state, colour);
    const bool skipsLevelZero = sampling == Sampling::Chain && SkipsLevelZero(texture, quads, count);
    Prepare(texture, state, 0.0f, !skipsLevelZero, shading, colour);
    const auto* gpu = texture ? static_cast<const GlTexture*>(texture->Gpu()) : nullptr;
    if (skipsLevelZero && gpu && gpu->leftOut > 0) {
      // The device holds level 1 and smaller alone. A draw that puts the texels of the level it
      // holds first 1:1 on whole pixels reads that level alone through the chain too (a level of
      // detail of exactly 1): its nearest texel is the same picture.
      MakeChain(texture);
      if (ChooseSampling(quads, count, float(std::max(1, texture->Width() >> gpu->leftOut)),
                         float(std::max(1, texture->Height() >> gpu->leftOut)), areaX,
                         areaY) == Sampling::Nearest)
        sampling = Sampling::Nearest;
    }
    BindSampler(sampling == Sampling::Nearest     ? m_nearestSampler
                : sampling == Sampling::LevelZero ? m_levelZeroSampler
                                                  : 0);
    if (sampling == Sampling::Chain) MakeChain(texture);
    const float areaW = float(AreaWidth()), areaH = float(AreaHeight());
    while (count > 0) {
      size_t n = std::min(count, kMaxQuadsPerCall);
      m_vertices.clear();
      for (size_t i = 0; i < n; ++i) {
        const size_t at = m_vertices.size();
        m_vertices.insert(m_vertices.end(), std::begin(quads[i].v), std::end(quads[i].v));
        if (!CutToArea(&m_vertices[at], areaW, areaH)) m_vertices.resize(at);
      }
      if (!m_vertices.empty()) Submit(m_vertices.size() / 4);
      quads += n;
      count -= n;
    }
  }

  void DrawPreTransformedQuad(Texture* texture, const SpriteQuad& quad, const DrawState& state,
                              int) override {
    MakeCurrent();
    if (m_effectPass) {
      m_effectPass->DrawQuad(quad, texture);
      m_stateValid = false;
      return;
    }
    uint32_t colour = 0xFFFFFFFF;
    const Shading shading = ChooseShading(&quad, 1, state, colour);
    Prepare(texture, state, 0.5f, !SkipsLevelZero(texture, &quad, 1), shading, colour);
    BindSampler(0);
    MakeChain(texture);
    m_vertices.assign(std::begin(quad.v), std::end(quad.v));
    Submit(1);
  }

  std::unique_ptr<Effect> CreateEffect(const EffectDescription& description, std::string* error) override {
    MakeCurrent();
    return gl::CreateGlEffect(*this, description, error);
  }

  // What the effects need of the device.
  // Effects may shrink what they read: a texture with levels has its chain.
  uint32_t PrepareTexture(Texture* texture, const SpriteQuad* readAt) override {
    if (!texture) return 0;
    GlTexture* gpu = Upload(texture, !(readAt && SkipsLevelZero(texture, readAt, 1)));
    if (gpu->chainStale) {
      BindTexture(gpu->name);
      MakeChain(texture);
    }
    return gpu->name;
  }
  void EffectTargetSize(int32_t& width, int32_t& height) const override {
    width = AreaWidth();
    height = AreaHeight();
  }
  void SetEffectPass(gl::EffectPassDrawer* pass) override { m_effectPass = pass; }
  void InvalidateDrawState() override { m_stateValid = false; }
  void AddEffect(gl::EffectPassDrawer* effect) override { m_effects.insert(effect); }
  void RemoveEffect(gl::EffectPassDrawer* effect) override {
    m_effects.erase(effect);
    if (m_effectPass == effect) m_effectPass = nullptr;
  }

  void Forget(Texture* texture, GLuint name) {
    m_textures.erase(texture);
    m_uploaded.erase(texture);
    if (m_boundTexture == name) m_boundTexture = 0;
  }
  void BindTexture(GLuint name) {
    glBindTexture(GL_TEXTURE_2D, name);
    m_boundTexture = name;
  }
  void MakeCurrent() override {
    if (SDL_GL_GetCurrentContext() != m_context)
      SDL_GL_MakeCurrent(static_cast<SDL_Window*>(m_window->Native()), static_cast<SDL_GLContext>(m_context));
  }

 protected:
  bool ResetBackBuffer(int32_t width, int32_t height) override {
    MakeCurrent();
    BindTexture(m_backColour);
    glTexImage2D(GL_TEXTURE_2D, 0, kStoredFormat, width, height, 0, GL_BGRA, kUploadType, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, m_backFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_backColour, 0);
    bool ok = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    m_width = width;
    m_height = height;
    m_target = nullptr;
    m_areaWidth = m_areaHeight = 0;
    m_window->SetBackBufferSize(width, height);
    BindTarget();
    return ok;
  }

 private:
  // Pictures that can be read again from their files need no CPU copy while the device holds
  // them whole: after a frame, those uploaded in it give theirs back. Should a later draw
  // need smaller levels not made yet, they are made from the picture read again, as for any
  // other picture.
  void DropUploadedCopies() {
    for (Texture* texture : m_uploaded) texture->DropCpuCopy();
    m_uploaded.clear();
  }

  GLuint CurrentFramebuffer() const {
    if (m_target && m_target->Gpu()) return static_cast<GlTexture*>(m_target->Gpu())->framebuffer;
    return m_backFramebuffer;
  }

  // The framebuffer of a render-target texture, made on first use; 0 when it cannot be made.
  GLuint TargetFramebuffer(Texture* target) {
    GlTexture* gpu = Upload(target);
    // Drawn into on the device: its levels no longer follow level 0.
    gpu->chainStale = target->Levels() > 1;
    if (!gpu->framebuffer) {
      glGenFramebuffers(1, &gpu->framebuffer);
      glBindFramebuffer(GL_FRAMEBUFFER, gpu->framebuffer);
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gpu->name, 0);
      const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
      BindTarget();
      if (!complete) {
        glDeleteFramebuffers(1, &gpu->framebuffer);
        gpu->framebuffer = 0;
      }
    }
    return gpu->framebuffer;
  }

  void BindTarget() {
    glBindFramebuffer(GL_FRAMEBUFFER, CurrentFramebuffer());
    glViewport(0, 0, TargetWidth(), TargetHeight());
  }

  // The texture's GPU copy, made on first use; rows changed on the CPU are sent first. A draw
  // that does not read level 0 (readsLevelZero false) may leave it out of a new copy; one that
  // does makes a copy without it whole again.
  GlTexture* Upload(Texture* texture, bool readsLevelZero = true) {
    // A picture that gave its memory back for a while is read again when it is drawn.
    if (texture->IsReleased()) texture->Refill();
    auto* gpu = static_cast<GlTexture*>(texture->Gpu());
    if (gpu && gpu->leftOut > 0 && readsLevelZero) {
      texture->DropGpu();
      gpu = nullptr;
    }
    bool fresh = gpu == nullptr;
    if (fresh) {
      auto made = std::make_unique<GlTexture>(this, texture);
      gpu = made.get();
      texture->SetGpu(std::move(made));
      m_textures.insert(texture);
      BindTexture(gpu->name);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      // The smaller levels are left undefined until a draw needs them (MakeChain); until
      // then the texture has level 0 alone. The driver sizes its storage by the texture's
      // own filter and level range when level 0 arrives: with a mip filter it would keep a
      // third more for levels that many textures never draw.
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
      // A render target without a CPU copy starts clear, as one with a copy would: the zeros
      // come from memory the system hands out untouched.
      if (!readsLevelZero && CanLeaveOutLevelZero(*texture)) {
        // No level yet: MakeChain, which the draw calls, makes them all.
        gpu->leftOut = 1;
        gpu->chainStale = true;
        texture->ClearDirty();
        if (texture->HasRefill()) m_uploaded.insert(texture);
        return gpu;
      }
      std::unique_ptr<void, decltype(&std::free)> zeros(nullptr, &std::free);
      const void* pixels = texture->Pixels();
      if (!pixels) {
        zeros.reset(std::calloc(size_t(texture->Width()) * size_t(texture->Height()), sizeof(uint32_t)));
        pixels = zeros.get();
      }
      glTexImage2D(GL_TEXTURE_2D, 0, kStoredFormat, texture->Width(), texture->Height(), 0, GL_BGRA,
                   kUploadType, pixels);
      gpu->chainStale = texture->Levels() > 1;
      texture->ClearDirty();
      if (texture->HasRefill()) m_uploaded.insert(texture);
    } else if (texture->IsDirty() && gpu->leftOut > 0) {
      gpu->chainStale = true;
      texture->ClearDirty();
    } else if (texture->IsDirty() && !texture->IsRenderTarget()) {
      BindTexture(gpu->name);
      int32_t y0 = texture->DirtyBegin(), y1 = texture->DirtyEnd();
      glTexSubImage2D(GL_TEXTURE_2D, 0, 0, y0, texture->Width(), y1 - y0, GL_BGRA,
                      kUploadType, texture->Pixels() + size_t(y0) * size_t(texture->Width()));
      gpu->chainStale = texture->Levels() > 1;
      texture->ClearDirty();
    }
    return gpu;
  }

  // Before a draw that may read the smaller levels: they are made from level 0 as it is now.
  // The texture must be bound on the active unit. Where level 0 has a CPU copy and both sides
  // are powers of two the levels are made here and sent: the driver's own chain costs a
  // software rasteriser a full pass per level, each waiting for the one before.
  void MakeChain(Texture* texture) {
    auto* gpu = texture ? static_cast<GlTexture*>(texture->Gpu()) : nullptr;
    if (!gpu || !gpu->chainStale) return;
    const bool first = !gpu->chainMade;
    gpu->chainMade = true;
    gpu->chainStale = false;
    if (first) {
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, texture->Levels() - 1 - gpu->leftOut);
    }
    int32_t w = texture->Width(), h = texture->Height();
    const uint32_t* from = texture->Pixels();
    if (!from || texture->IsRenderTarget() || (w & (w - 1)) != 0 || (h & (h - 1)) != 0) {
      glGenerateMipmap(GL_TEXTURE_2D);
      return;
    }
    // Two levels at a time: the one read and the one made.
    const size_t half = size_t(std::max(1, w / 2)) * size_t(std::max(1, h / 2));
    const auto levels = std::make_unique_for_overwrite<uint32_t[]>(2 * half);
    int32_t pitch = w;
    for (int32_t level = 1; level < texture->Levels(); ++level) {
      uint32_t* to = levels.get() + (level % 2 ? 0 : half);
      HalveLevel(from, w, h, pitch, to);
      w = std::max(1, w / 2);
      h = std::max(1, h / 2);
      const GLint held = level - gpu->leftOut;
      if (first)
        glTexImage2D(GL_TEXTURE_2D, held, kStoredFormat, w, h, 0, GL_BGRA, kUploadType, to);
      else
        glTexSubImage2D(GL_TEXTURE_2D, held, 0, 0, w, h, GL_BGRA, kUploadType, to);
      from = to;
      pitch = w;
    }
  }

  // Whether drawing the quads with the texture's chain reads no texel of its level 0 where
  // that matters: a texture without a device copy yet, or one whose copy left level 0 out.
  bool SkipsLevelZero(const Texture* texture, const SpriteQuad* quads, size_t count) const {
    if (!texture || texture->Levels() <= 1) return false;
    const auto* gpu = static_cast<const GlTexture*>(texture->Gpu());
    if (gpu && gpu->leftOut == 0) return false;
    return NoneReadsLevelZero(quads, count, float(texture->Width()), float(texture->Height()),
                              double(TargetWidth()) / AreaWidth(), double(TargetHeight()) / AreaHeight());
  }

  // Sets only the state that differs from the previous draw: on software renderers the
  // redundant calls cost more than the quads.
  void Prepare(Texture* texture, const DrawState& state, float pixelOffset, bool readsLevelZero,
               Shading shading, uint32_t colour) {
    if (!m_stateValid) {
      m_samplerKnown = false;
      for (SpriteProgram& p : m_programs) p.known = false;
      m_shading = shading;
      glUseProgram(m_programs[size_t(shading)].name);
      glBindVertexArray(m_vertexArray);
      glActiveTexture(GL_TEXTURE0);
      glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    }
    GLuint name = texture ? Upload(texture, readsLevelZero)->name : m_whiteTexture;
    if (!m_stateValid || name != m_boundTexture) BindTexture(name);
    if (!m_stateValid || state.blend != m_state.blend) {
      if (state.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      } else {
        glDisable(GL_BLEND);
      }
    }
    if (shading != m_shading) glUseProgram(m_programs[size_t(shading)].name);
    m_shading = shading;
    SpriteProgram& p = m_programs[size_t(shading)];
    if (p.alphaTest >= 0 && (!p.known || state.alphaTest != p.alphaTestOn))
      glUniform1i(p.alphaTest, state.alphaTest ? 1 : 0);
    float w = float(AreaWidth()), h = float(AreaHeight());
    if (!p.known || w != p.width || h != p.height) glUniform2f(p.targetSize, w, h);
    if (!p.known || pixelOffset != p.offset) glUniform1f(p.pixelOffset, pixelOffset);
    if (p.colour >= 0 && (!p.known || colour != p.tint)) {
      // The vertex colour's channels as the attribute reads them: each byte over 255.
      glUniform4f(p.colour, float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                  float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f);
    }
    p.alphaTestOn = state.alphaTest;
    p.width = w;
    p.height = h;
    p.offset = pixelOffset;
    p.tint = colour;
    p.known = true;
    m_state = state;
    m_stateValid = true;
  }

  void InvalidateState() override { m_stateValid = false; }

  // Effects bind samplers of their own on unit 0: after them (the draw state invalid) the
  // binding is set again whatever it was.
  // 0: the texture's own settings.
  void BindSampler(GLuint sampler) {
    if (m_samplerKnown && sampler == m_boundSampler) return;
    glBindSampler(0, sampler);
    m_boundSampler = sampler;
    m_samplerKnown = true;
  }

  void Submit(size_t quads) {
    // Each draw appends behind the previous ones; a full buffer is orphaned, so the driver
    // never waits for earlier draws to finish reading it.
    if (m_writeQuad + quads > kMaxQuadsPerCall) {
      glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(kMaxQuadsPerCall * 4 * sizeof(QuadVertex)), nullptr,
                   GL_STREAM_DRAW);
      m_writeQuad = 0;
    }
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(m_writeQuad * 4 * sizeof(QuadVertex)),
                    GLsizeiptr(m_vertices.size() * sizeof(QuadVertex)), m_vertices.data());
    for (size_t q = 0; q < quads; q += kMaxQuadsPerRun)
      glDrawElementsBaseVertex(GL_TRIANGLES, GLsizei(std::min(kMaxQuadsPerRun, quads - q) * 6), GL_UNSIGNED_SHORT,
                               nullptr, GLint((m_writeQuad + q) * 4));
    m_writeQuad += quads;
  }

  Window* m_window;
  void* m_context = nullptr;
  SpriteProgram m_programs[3];           // by Shading
  Shading m_shading = Shading::General;  // the program in use while the draw state is valid
  GLuint m_vertexArray = 0;
  GLuint m_vertexBuffer = 0;
  GLuint m_indexBuffer = 0;
  GLuint m_whiteTexture = 0;
  GLuint m_levelZeroSampler = 0;
  GLuint m_nearestSampler = 0;
  GLuint m_boundSampler = 0;  // the sampler on unit 0 (0: none)
  bool m_samplerKnown = false;  // m_boundSampler holds for unit 0 as it is now
  GLuint m_backFramebuffer = 0;
  GLuint m_backColour = 0;
  std::vector<QuadVertex> m_vertices;
  size_t m_writeQuad = 0;
  bool m_stateValid = false;
  DrawState m_state;
  GLuint m_boundTexture = 0;
  std::unordered_set<Texture*> m_textures;
  // Pictures with a refill uploaded whole since the last Present (DropUploadedCopies).
  std::unordered_set<Texture*> m_uploaded;
  gl::EffectPassDrawer* m_effectPass = nullptr;
  std::unordered_set<gl::EffectPassDrawer*> m_effects;
};

GlTexture::GlTexture(GlDevice* d, Texture* o) : device(d), owner(o) { glGenTextures(1, &name); }

GlTexture::~GlTexture() {
  device->MakeCurrent();
  device->Forget(owner, name);
  if (framebuffer) glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &name);
}

}  // namespace

std::unique_ptr<GraphicsDevice> GraphicsDevice::CreateOpenGL(Window& window, int32_t width, int32_t height,
                                                             std::string* error) {
  if (width <= 0 || height <= 0) return nullptr;
  auto device = std::make_unique<GlDevice>(window, width, height);
  if (!device->Init(error)) return nullptr;
  return device;
}

}  // namespace platform
