// The device's sprite programs (GLSL 3.30), shared by the OpenGL backend and the benchmark of
// what the software rasteriser makes of them. The vertex program takes pixel positions in a
// target of uTargetSize, moved by uPixelOffset; vertex colours come as 0xAARRGGBB words.
#pragma once

namespace platform::sprite_programs {

inline constexpr const char* kVertex = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
layout(location = 1) in vec4 aColour;
layout(location = 2) in vec2 aTexCoord;
uniform vec2 uTargetSize;
uniform float uPixelOffset;
out vec2 vTexCoord;
out vec4 vColour;
void main() {
  vec2 p = aPosition + vec2(uPixelOffset);
  gl_Position = vec4(p.x * 2.0 / uTargetSize.x - 1.0, p.y * 2.0 / uTargetSize.y - 1.0, 0.0, 1.0);
  vTexCoord = aTexCoord;
  vColour = aColour.zyxw;
}
)";

// Texture times vertex colour, with the alpha test.
inline constexpr const char* kGeneral = R"(#version 330 core
in vec2 vTexCoord;
in vec4 vColour;
uniform sampler2D uTexture;
uniform bool uAlphaTest;
out vec4 fragColour;
void main() {
  vec4 c = texture(uTexture, vTexCoord) * vColour;
  if (uAlphaTest && c.a <= 0.0) discard;
  fragColour = c;
}
)";

// The texture alone, and the texture times one colour for the whole draw.
inline constexpr const char* kPlain = R"(#version 330 core
in vec2 vTexCoord;
uniform sampler2D uTexture;
out vec4 fragColour;
void main() {
  fragColour = texture(uTexture, vTexCoord);
}
)";
inline constexpr const char* kTinted = R"(#version 330 core
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform vec4 uColour;
out vec4 fragColour;
void main() {
  fragColour = texture(uTexture, vTexCoord) * uColour;
}
)";

}  // namespace platform::sprite_programs
