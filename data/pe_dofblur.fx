<>
 	<\>
<EFFECT>
	Blur in both directions at once, for a short reach: the centre and four diagonal taps, each
	between two pixels in both directions, so every tap averages four pixels; the steps are
	x and y of g_Vec4_Param1, the strength g_Float_Param1. Drawn at half the size, it reads
	the whole picture in one pass where a blur along each direction would take two. Alpha
	carries the depth key of the extra picture (red, read filtered), so that the depth of
	field's mix reads one picture less per pixel of the screen.
	<PARAM> <NAME> "g_TapPixels" <\NAME> <TYPE> "vec2" <\TYPE> <VALUE> "1.5" "1.5" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Tap" <\NAME> <TYPE> "vec2" <\TYPE>
		<ANNOTATION> "ConvertPixelsToTexels" "string" "g_TapPixels" <\ANNOTATION> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_EXTRA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
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
  vec2 o = g_Vec4_Param1.xy * g_Tap;
  vec2 p = vec2(o.x, -o.y);
  vec3 c = Src(v_Tex0).rgb + Src(v_Tex0 + o).rgb + Src(v_Tex0 - o).rgb + Src(v_Tex0 + p).rgb +
           Src(v_Tex0 - p).rgb;
  o_Color = vec4(c * (0.2 * g_Float_Param1), texture(g_Textur_EXTRA, v_Tex1).r);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
