<>
 	<\>
<EFFECT>
	Wobble: the picture waves sideways and up and down; g_Float_Param1 is the amplitude as a
	fraction of the width, g_Vec4_Param1 the speeds (x, y) and the waves across the screen (z, w).
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Wobble" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  const float twoPi = 6.28318530718;
  vec4 p = g_Vec4_Param1;
  vec2 wave = vec2(sin(twoPi * p.z * v_Tex1.y + g_time * p.x),
                   u_Screen.x / u_Screen.y * cos(twoPi * p.w * v_Tex1.x + g_time * p.y));
  vec2 uv = clamp(v_Tex0 + g_Float_Param1 * wave, vec2(0.0), u_SrcScale);
  o_Color = vec4(Src(uv).rgb, 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
