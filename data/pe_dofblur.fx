<>
 	<\>
<EFFECT>
	Blur in both directions at once, for a short reach: the centre and four diagonal taps, each
	between two pixels in both directions, so every tap averages four pixels; the steps are
	x and y of g_Vec4_Param1, the strength g_Float_Param1. Drawn at half the size, it reads
	the whole picture in one pass where a blur along each direction would take two. Alpha
	carries the depth key of the extra picture (red, read filtered), so that the depth of
	field's mix reads one picture less per pixel of the screen.
	When the chain's finishing pass does the last steps of the effects before (up to two glows,
	as in pe_finish.fx), they have not reached the picture yet: with w of g_Finish at 1, each
	tap is finished here as that pass finishes the picture (the glows read at the pixel), so
	that the blur is the blur of the finished picture.
	<PARAM> <NAME> "g_Textur_GlowA" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_Textur_GlowB" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_GlowA" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_GlowB" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Finish" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "0" "0" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_TapPixels" <\NAME> <TYPE> "vec2" <\TYPE> <VALUE> "1.5" "1.5" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Tap" <\NAME> <TYPE> "vec2" <\TYPE>
		<ANNOTATION> "ConvertPixelsToTexels" "string" "g_TapPixels" <\ANNOTATION> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_EXTRA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowB" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }

const vec3 kLuminance = vec3(0.299, 0.587, 0.114);

vec3 Glow(vec3 c, vec3 glow, float weight, float colour) {
  c = clamp(c * weight + glow, 0.0, 1.0);
  return clamp(mix(vec3(dot(c, kLuminance)), c, 1.0 + colour), 0.0, 1.0);
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
  vec2 o = g_Vec4_Param1.xy * g_Tap;
  vec2 p = vec2(o.x, -o.y);
  vec3 t[5] = vec3[5](Src(v_Tex0).rgb, Src(v_Tex0 + o).rgb, Src(v_Tex0 - o).rgb, Src(v_Tex0 + p).rgb,
                      Src(v_Tex0 - p).rgb);
  if (g_Finish.w != 0.0) {
    vec3 a = texture(g_Textur_GlowA, v_Tex0 * g_GlowA.xy).rgb * g_GlowA.z;
    vec3 b = texture(g_Textur_GlowB, v_Tex0 * g_GlowB.xy).rgb * g_GlowB.z;
    for (int i = 0; i < 5; ++i) t[i] = Glow(Glow(t[i], a, g_GlowA.w, g_Finish.x), b, g_GlowB.w, g_Finish.y);
  }
  vec3 c = t[0] + t[1] + t[2] + t[3] + t[4];
  o_Color = vec4(c * (0.2 * g_Float_Param1), texture(g_Textur_EXTRA, v_Tex1).r);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
