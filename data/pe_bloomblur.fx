<>
 	<\>
<EFFECT>
	The bloom's blur along one direction (x, y of g_Vec4_Param1), the Gaussian of pe_blur.fx
	read in five taps, times the strength g_Float_Param1, at a quarter of the size after the
	bright pass. There the centre tap lies on a pixel centre of the small picture, and so does
	the first pair for whole steps (the bloom's 4 times 1.5 pixels): they are read as single
	pixels (for other steps, the pixel that holds the point), one texel instead of four
	filtered; the second pair lies between two pixels and is read filtered.
	<PARAM> <NAME> "g_TapsPixels" <\NAME> <TYPE> "vec2" <\TYPE> <COUNT> "2" <\COUNT>
		<VALUE> "1.5" "1.5" "3.9" "3.9" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Taps" <\NAME> <TYPE> "vec2" <\TYPE> <COUNT> "2" <\COUNT>
		<ANNOTATION> "ConvertPixelsToTexels" "string" "g_TapsPixels" <\ANNOTATION> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }

// The pixel of the previous effect's picture that holds the point, read alone.
vec4 SrcPixel(vec2 uv) {
  ivec2 last = ivec2(u_SrcScale * u_Screen + 0.5) - 1;
  return texelFetch(g_Textur_SRC, clamp(ivec2(floor(uv * u_Screen)), ivec2(0), last), 0);
}
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Blur" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  const float w[3] = float[3](0.2008, 0.3035, 0.0961);
  vec2 d = g_Vec4_Param1.xy;
  vec2 near = d * g_Taps[0], far = d * g_Taps[1];
  vec3 c = SrcPixel(v_Tex0).rgb * w[0];
  c += (SrcPixel(v_Tex0 + near).rgb + SrcPixel(v_Tex0 - near).rgb) * w[1];
  c += (Src(v_Tex0 + far).rgb + Src(v_Tex0 - far).rgb) * w[2];
  o_Color = vec4(c * g_Float_Param1, 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
