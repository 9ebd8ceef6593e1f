<>
 	<\>
<EFFECT>
	Depth of field: the blurred source where the depth key in the extra picture lies away from
	the focal plane (g_Float_Param1), by the blur amount g_Float_Param2; the captured picture where it is in focus.
	The key is read filtered: drawn smaller than the screen, it then fades between its areas
	instead of showing its coarser pixels.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_ORG" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_EXTRA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Dof" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  float depth = texture(g_Textur_EXTRA, v_Tex1).r;
  float k = clamp(abs(depth - g_Float_Param1) * g_Float_Param2, 0.0, 1.0);
  o_Color = vec4(mix(texture(g_Textur_ORG, v_Tex1).rgb, Src(v_Tex0).rgb, k), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
