// The software rasteriser's cost per full-screen textured quad at 1024 x 768, by what decides
// whether it takes its 8-bit path for rectangles: the fragment program (the device's general
// sprite program with its alpha test, or the texture alone), the blend (none, straight alpha,
// premultiplied alpha), the filter (nearest, or bilinear between pixels) and how the target
// was made (sized GL_RGBA8, or the unsized format the device uses). Each frame draws kLayers
// quads over one another into a cleared target and waits for them; CPU time per quad.
// Run with taskset -c 0-1 for two cores.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/graphics.h"
#include "platform/sprite_programs.h"
#include "platform/window.h"

namespace {

constexpr int kW = 1024, kH = 768, kLayers = 8;

struct Vertex {
  float x, y;
  uint32_t colour;
  float u, v;
};

GLuint Program(const char* fragment) {
  auto compile = [](GLenum type, const char* source) {
    GLuint s = glCreateShader(type);
    glShaderSource(s, 1, &source, nullptr);
    glCompileShader(s);
    return s;
  };
  GLuint p = glCreateProgram();
  GLuint vs = compile(GL_VERTEX_SHADER, platform::sprite_programs::kVertex);
  GLuint fs = compile(GL_FRAGMENT_SHADER, fragment);
  glAttachShader(p, vs);
  glAttachShader(p, fs);
  glLinkProgram(p);
  glDeleteShader(vs);
  glDeleteShader(fs);
  return p;
}

// range(0): 0 general program, 1 texture alone; range(1): 0 no blend, 1 straight, 2 premultiplied;
// range(2): 0 nearest on whole pixels, 1 bilinear half a pixel off; range(3): 0 sized target, 1 unsized.
void FullScreenQuad(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  auto window = platform::Window::Create(u"bench", kW, kH);
  // The device makes the OpenGL 3.3 context current; the quads are drawn past it.
  std::unique_ptr<platform::GraphicsDevice> device;
  if (window) device = platform::GraphicsDevice::CreateOpenGL(*window, kW, kH);
  if (!device) {
    state.SkipWithError("no OpenGL device");
    return;
  }
  const bool general = state.range(0) == 0, bilinear = state.range(2) == 1;
  const GLint stored = state.range(3) == 0 ? GL_RGBA8 : GL_RGBA;
  GLuint program = Program(general ? platform::sprite_programs::kGeneral : platform::sprite_programs::kPlain);
  glUseProgram(program);
  glUniform2f(glGetUniformLocation(program, "uTargetSize"), float(kW), float(kH));
  glUniform1i(glGetUniformLocation(program, "uTexture"), 0);
  if (general) glUniform1i(glGetUniformLocation(program, "uAlphaTest"), 1);

  std::vector<uint32_t> pixels(size_t(kW) * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t alpha = (x / 64 + y / 64) % 3 == 0 ? 0 : (x / 32) % 2 ? 255 : 128;
      pixels[size_t(y) * kW + size_t(x)] =
          alpha << 24 | uint32_t((x * 7 & 255) << 16 | (y * 3 & 255) << 8 | ((x ^ y) & 255));
    }
  GLuint textures[2];
  glGenTextures(2, textures);
  for (GLuint t : textures) {
    glBindTexture(GL_TEXTURE_2D, t);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, bilinear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, bilinear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, stored, kW, kH, 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 t == textures[0] ? nullptr : pixels.data());
  }
  GLuint framebuffer;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures[0], 0);
  glViewport(0, 0, kW, kH);
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glBindSampler(0, 0);
  if (state.range(1) == 0) {
    glDisable(GL_BLEND);
  } else {
    glEnable(GL_BLEND);
    glBlendFunc(state.range(1) == 1 ? GL_SRC_ALPHA : GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  }

  GLuint vertexArray, buffers[2];
  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);
  glGenBuffers(2, buffers);
  const float o = bilinear ? 0.5f : 0.0f;
  std::vector<Vertex> vertices;
  std::vector<uint16_t> indices;
  for (int q = 0; q < kLayers; ++q) {
    for (int i = 0; i < 4; ++i)
      vertices.push_back(
          {o + float(i & 1) * kW, float(i >> 1) * kH, 0xFFFFFFFF, float(i & 1), float(i >> 1)});
    for (int i : {0, 1, 2, 2, 1, 3}) indices.push_back(uint16_t(q * 4 + i));
  }
  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(Vertex)), vertices.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * 2), indices.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), reinterpret_cast<void*>(8));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(12));

  auto frame = [&] {
    glClearColor(0.2f, 0.3f, 0.4f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawElements(GL_TRIANGLES, kLayers * 6, GL_UNSIGNED_SHORT, nullptr);
    glFinish();
  };
  // The rasteriser settles its path as a frame begins, from state it works out at a draw.
  frame();
  for (auto _ : state) frame();
  state.counters["quads/s"] =
      benchmark::Counter(double(state.iterations()) * kLayers, benchmark::Counter::kIsRate);

  glDeleteBuffers(2, buffers);
  glDeleteVertexArrays(1, &vertexArray);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(2, textures);
  glDeleteProgram(program);
  device->InvalidateState();
}

BENCHMARK(FullScreenQuad)
    ->ArgNames({"plain", "blend", "bilinear", "unsized"})
    ->ArgsProduct({{0, 1}, {0, 1, 2}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
