<>
 	<\>
<EFFECT>
	Blur along one direction (x, y of g_Vec4_Param1), a Gaussian read in five taps, times the
	strength g_Float_Param1. Horizontal and vertical are two effects in a row. The outer taps
	of a wider kernel held 2 % of its weight: the second pair sits a little farther out
	instead, so the blur keeps its spread.
	<PARAM> <NAME> "g_TapsPixels" <\NAME> <TYPE> "vec2" <\TYPE> <COUNT> "2" <\COUNT>
		<VALUE> "1.5" "1.5" "3.9" "3.9" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Taps" <\NAME> <TYPE> "vec2" <\TYPE> <COUNT> "2" <\COUNT>
		<ANNOTATION> "ConvertPixelsToTexels" "string" "g_TapsPixels" <\ANNOTATION> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Blur" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  // Linear filtering halves the taps: each reads two pixels between which it lies.
  const float w[3] = float[3](0.2008, 0.3035, 0.0961);
  vec2 d = g_Vec4_Param1.xy;
  vec3 c = Src(v_Tex0).rgb * w[0];
  for (int i = 0; i < 2; ++i) {
    vec2 o = d * g_Taps[i];
    c += (Src(v_Tex0 + o).rgb + Src(v_Tex0 - o).rgb) * w[i + 1];
  }
  o_Color = vec4(c * g_Float_Param1, 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
