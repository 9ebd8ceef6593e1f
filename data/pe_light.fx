<>
 	<\>
<EFFECT>
	Light: a round light at the mouse (x, y of g_Vec4_Param2, fractions of the screen); g_Vec4_Param1
	is (height / width, radius / width, brightness outside, softness of the edge).
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Light" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec4 p = g_Vec4_Param1;
  vec2 d = v_Tex1 - g_Vec4_Param2.xy;
  d.y *= p.x;
  float r = max(p.y, 1e-4);
  float k = 1.0 - smoothstep(r * (1.0 - clamp(p.w, 0.0, 1.0)), r, length(d));
  o_Color = vec4(Src(v_Tex0).rgb * mix(p.z, 1.0, k), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
