// OpenGL effects: one program per pass, uniforms brought up to date when a pass begins and
// on CommitChanges, textures bound with their samplers when a quad is drawn.
#include <epoxy/gl.h>

#include <cstdint>
#include <limits>

#include "platform/effect_backend.h"
#include "platform/texture.h"

namespace platform::gl {

namespace {

constexpr uint64_t kNeverUploaded = std::numeric_limits<uint64_t>::max();

GLenum Factor(BlendFactor f) {
  switch (f) {
    case BlendFactor::Zero:
      return GL_ZERO;
    case BlendFactor::One:
      return GL_ONE;
    case BlendFactor::SrcColor:
      return GL_SRC_COLOR;
    case BlendFactor::InvSrcColor:
      return GL_ONE_MINUS_SRC_COLOR;
    case BlendFactor::SrcAlpha:
      return GL_SRC_ALPHA;
    case BlendFactor::InvSrcAlpha:
      return GL_ONE_MINUS_SRC_ALPHA;
    case BlendFactor::DestAlpha:
      return GL_DST_ALPHA;
    case BlendFactor::InvDestAlpha:
      return GL_ONE_MINUS_DST_ALPHA;
    case BlendFactor::DestColor:
      return GL_DST_COLOR;
    case BlendFactor::InvDestColor:
      return GL_ONE_MINUS_DST_COLOR;
  }
  return GL_ONE;
}

GLenum Equation(BlendOp op) {
  switch (op) {
    case BlendOp::Add:
      return GL_FUNC_ADD;
    case BlendOp::Subtract:
      return GL_FUNC_SUBTRACT;
    case BlendOp::RevSubtract:
      return GL_FUNC_REVERSE_SUBTRACT;
    case BlendOp::Min:
      return GL_MIN;
    case BlendOp::Max:
      return GL_MAX;
  }
  return GL_FUNC_ADD;
}

GLuint CompileStage(GLenum stage, const std::string& source, std::string* log) {
  GLuint shader = glCreateShader(stage);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string text(size_t(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, GLsizei(text.size()), nullptr, text.data());
    *log = text.c_str();
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

struct Program {
  GLuint name = 0;
  std::vector<GLint> locations;    // per parameter, -1 when the program does not use it
  std::vector<uint64_t> uploaded;  // per parameter, the value version last sent
  GLint screen = -1;
  GLint sourceRegion = -1;
  uint64_t sourceRegionUploaded = kNeverUploaded;
};

class GlEffect final : public Effect, public EffectPassDrawer {
 public:
  GlEffect(EffectHost& host, EffectDescription description) : Effect(std::move(description)), m_host(&host) {
    m_host->AddEffect(this);
  }

  ~GlEffect() override {
    if (!m_host) return;
    if (CurrentPass() >= 0) m_host->SetEffectPass(nullptr);
    m_host->MakeCurrent();
    DropGl();
  }

  bool Build(std::string* error) {
    const EffectDescription& d = Description();
    for (const EffectTechniqueDesc& technique : d.techniques)
      for (const EffectPassDesc& pass : technique.passes) {
        std::string log;
        Program program;
        if (!Link(d, pass, program, &log)) {
          if (error) *error = "technique \"" + technique.name + "\" pass \"" + pass.name + "\": " + log;
          m_programs.push_back(program);
          return false;
        }
        m_programs.push_back(std::move(program));
      }
    m_samplers.assign(d.params.size(), 0);
    m_levelZeroSamplers.assign(d.params.size(), 0);
    for (size_t i = 0; i < d.params.size(); ++i) {
      if (d.params[i].type != EffectValueType::Texture) continue;
      EffectSamplerDesc sampler{d.params[i].name, true, true};
      for (const EffectSamplerDesc& s : d.samplers)
        if (s.name == sampler.name) sampler = s;
      // Two samplers of one filter: with mip levels for textures that have them, and
      // without for those of one level (the chain's render targets), where the level
      // choice would change nothing but costs a software rasteriser per pixel.
      for (GLuint* name : {&m_samplers[i], &m_levelZeroSamplers[i]}) {
        const bool mipmapped = name == &m_samplers[i];
        glGenSamplers(1, name);
        GLint minFilter = sampler.linear ? GL_LINEAR : GL_NEAREST;
        if (mipmapped) minFilter = sampler.linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
        glSamplerParameteri(*name, GL_TEXTURE_MIN_FILTER, minFilter);
        glSamplerParameteri(*name, GL_TEXTURE_MAG_FILTER, sampler.linear ? GL_LINEAR : GL_NEAREST);
        GLint wrap = sampler.clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
        glSamplerParameteri(*name, GL_TEXTURE_WRAP_S, wrap);
        glSamplerParameteri(*name, GL_TEXTURE_WRAP_T, wrap);
      }
    }
    m_committed.assign(d.params.size(), nullptr);

    glGenVertexArrays(1, &m_vertexArray);
    glBindVertexArray(m_vertexArray);
    glGenBuffers(1, &m_vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(4 * sizeof(QuadVertex)), nullptr, GL_STREAM_DRAW);
    const GLsizei stride = sizeof(QuadVertex);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(QuadVertex, x));
    // The packed colour's bytes are B, G, R, A in memory; GL_BGRA hands them over as RGBA.
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, (void*)offsetof(QuadVertex, colour));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(QuadVertex, u));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, (void*)offsetof(QuadVertex, s));
    m_host->InvalidateDrawState();
    return true;
  }

  void DrawQuad(const SpriteQuad& quad, Texture* quadTexture) override {
    if (!m_host || m_active < 0) return;
    m_host->MakeCurrent();
    Program& program = m_programs[size_t(m_active)];
    glUseProgram(program.name);
    int32_t width = 0, height = 0;
    m_host->EffectTargetSize(width, height);
    if (program.screen >= 0) glUniform2f(program.screen, float(width), float(height));

    const std::vector<int>& units = TextureUnits();
    glActiveTexture(GL_TEXTURE0);
    std::vector<GLuint>& names = m_names;
    names.assign(units.size(), 0);
    // A SPRITE pass reads its quad's texture at the quad's own coordinates (v_Tex0), as the
    // device's sprite program does.
    for (size_t i = 0; i < units.size(); ++i)
      if (units[i] >= 0 && m_committed[i])
        names[i] = m_host->PrepareTexture(m_committed[i], m_spriteLayout && m_committed[i] == quadTexture ? &quad : nullptr);
    for (size_t i = 0; i < units.size(); ++i) {
      if (units[i] < 0) continue;
      glActiveTexture(GLenum(GL_TEXTURE0 + units[i]));
      glBindTexture(GL_TEXTURE_2D, names[i]);
      const bool oneLevel = m_committed[i] && m_committed[i]->Levels() == 1;
      glBindSampler(GLuint(units[i]), oneLevel ? m_levelZeroSamplers[i] : m_samplers[i]);
    }
    glActiveTexture(GL_TEXTURE0);

    const EffectBlend& blend = m_blend;
    if (blend.enabled) {
      glEnable(GL_BLEND);
      if (blend.separateAlpha)
        glBlendFuncSeparate(Factor(blend.src), Factor(blend.dst), Factor(blend.alphaSrc), Factor(blend.alphaDst));
      else
        glBlendFunc(Factor(blend.src), Factor(blend.dst));
      glBlendEquation(Equation(blend.op));
    } else {
      glDisable(GL_BLEND);
    }
    glBindVertexArray(m_vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    // Written into the storage made with the buffer: a new store for every quad costs a
    // software rasteriser an allocation per draw (it reads the vertices as the draw is made).
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(4 * sizeof(QuadVertex)), quad.v);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
  }

  void DropGl() override {
    if (!m_host) return;
    for (Program& p : m_programs)
      if (p.name) glDeleteProgram(p.name);
    m_programs.clear();
    for (const std::vector<GLuint>* samplers : {&m_samplers, &m_levelZeroSamplers})
      for (GLuint s : *samplers)
        if (s) glDeleteSamplers(1, &s);
    m_samplers.clear();
    m_levelZeroSamplers.clear();
    if (m_vertexBuffer) glDeleteBuffers(1, &m_vertexBuffer);
    if (m_vertexArray) glDeleteVertexArrays(1, &m_vertexArray);
    m_vertexBuffer = m_vertexArray = 0;
    m_host->RemoveEffect(this);
    m_host = nullptr;
  }

 protected:
  void ApplyPass(int flatPass) override {
    if (!m_host) return;
    m_active = flatPass;
    m_blend = PassDescription(flatPass).blend;
    m_spriteLayout = PassDescription(flatPass).layout == EffectLayout::Sprite;
    m_host->MakeCurrent();
    Upload(m_programs[size_t(flatPass)]);
    m_host->SetEffectPass(this);
  }

  void Commit(int flatPass) override {
    if (!m_host) return;
    m_host->MakeCurrent();
    Upload(m_programs[size_t(flatPass)]);
  }

  void LeavePass(int) override {
    m_active = -1;
    if (!m_host) return;
    m_host->MakeCurrent();
    m_host->SetEffectPass(nullptr);
    // Sampler objects would override the device's own texture settings on these units.
    for (int unit : TextureUnits())
      if (unit >= 0) glBindSampler(GLuint(unit), 0);
    glActiveTexture(GL_TEXTURE0);
    glBlendEquation(GL_FUNC_ADD);
    m_host->InvalidateDrawState();
  }

 private:
  const EffectPassDesc& PassDescription(int flatPass) const {
    const EffectDescription& d = Description();
    for (const EffectTechniqueDesc& t : d.techniques) {
      if (flatPass < int(t.passes.size())) return t.passes[size_t(flatPass)];
      flatPass -= int(t.passes.size());
    }
    return d.techniques.front().passes.front();
  }

  bool Link(const EffectDescription& d, const EffectPassDesc& pass, Program& program, std::string* log) {
    EffectPassSources sources = BuildEffectPassSources(d, pass);
    std::string stageLog;
    GLuint vs = CompileStage(GL_VERTEX_SHADER, sources.vertex, &stageLog);
    if (!vs) {
      *log = "vertex stage: " + stageLog;
      return false;
    }
    GLuint fs = CompileStage(GL_FRAGMENT_SHADER, sources.fragment, &stageLog);
    if (!fs) {
      glDeleteShader(vs);
      *log = "fragment stage: " + stageLog;
      return false;
    }
    program.name = glCreateProgram();
    glAttachShader(program.name, vs);
    glAttachShader(program.name, fs);
    glLinkProgram(program.name);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(program.name, GL_LINK_STATUS, &linked);
    if (!linked) {
      GLint length = 0;
      glGetProgramiv(program.name, GL_INFO_LOG_LENGTH, &length);
      std::string text(size_t(std::max(length, 1)), '\0');
      glGetProgramInfoLog(program.name, GLsizei(text.size()), nullptr, text.data());
      *log = std::string("link: ") + text.c_str();
      return false;
    }
    glUseProgram(program.name);
    program.locations.assign(d.params.size(), -1);
    program.uploaded.assign(d.params.size(), kNeverUploaded);
    const std::vector<int>& units = TextureUnits();
    for (size_t i = 0; i < d.params.size(); ++i) {
      // A uniform the compiler dropped has no location; setting it then changes nothing.
      program.locations[i] = glGetUniformLocation(program.name, d.params[i].name.c_str());
      if (units[i] >= 0 && program.locations[i] >= 0) glUniform1i(program.locations[i], units[i]);
    }
    program.screen = glGetUniformLocation(program.name, "u_Screen");
    program.sourceRegion = glGetUniformLocation(program.name, "u_SrcScale");
    return true;
  }

  void Upload(Program& program) {
    glUseProgram(program.name);
    const EffectDescription& d = Description();
    const std::vector<Value>& values = Values();
    for (size_t i = 0; i < d.params.size(); ++i) {
      const Value& v = values[i];
      if (d.params[i].type == EffectValueType::Texture) {
        m_committed[i] = v.texture;
        continue;
      }
      GLint location = program.locations[i];
      if (location < 0) continue;
      if (program.uploaded[i] != kNeverUploaded && v.version <= program.uploaded[i]) continue;
      GLsizei n = GLsizei(std::max<uint32_t>(1, d.params[i].count));
      const float* data = v.floats.data();
      switch (d.params[i].type) {
        case EffectValueType::Float:
          glUniform1fv(location, n, data);
          break;
        case EffectValueType::Vec2:
          glUniform2fv(location, n, data);
          break;
        case EffectValueType::Vec3:
          glUniform3fv(location, n, data);
          break;
        case EffectValueType::Vec4:
          glUniform4fv(location, n, data);
          break;
        case EffectValueType::Int: {
          std::vector<GLint> ints(v.floats.begin(), v.floats.end());
          glUniform1iv(location, n, ints.data());
          break;
        }
        case EffectValueType::Texture:
          break;
      }
      program.uploaded[i] = v.version;
    }
    const Value& region = SourceRegion();
    if (program.sourceRegion >= 0 &&
        (program.sourceRegionUploaded == kNeverUploaded || region.version > program.sourceRegionUploaded)) {
      glUniform2f(program.sourceRegion, region.floats[0], region.floats[1]);
      program.sourceRegionUploaded = region.version;
    }
  }

  EffectHost* m_host;
  std::vector<Program> m_programs;  // flat, technique by technique
  std::vector<GLuint> m_samplers;   // per parameter, 0 for numeric ones
  std::vector<GLuint> m_levelZeroSamplers;  // the same without mip levels
  std::vector<Texture*> m_committed;
  std::vector<GLuint> m_names;  // the texture names of a quad being drawn, kept for the next
  GLuint m_vertexArray = 0;
  GLuint m_vertexBuffer = 0;
  int m_active = -1;
  EffectBlend m_blend;
  bool m_spriteLayout = false;  // the pass begun has the SPRITE layout
};

}  // namespace

std::unique_ptr<Effect> CreateGlEffect(EffectHost& host, const EffectDescription& description,
                                       std::string* error) {
  EffectDescription prepared = description;
  if (!PrepareEffectDescription(prepared, error)) return nullptr;
  host.MakeCurrent();
  auto effect = std::unique_ptr<GlEffect>(new GlEffect(host, std::move(prepared)));
  if (!effect->Build(error)) return nullptr;
  return effect;
}

}  // namespace platform::gl
