<>
 	<\>
<EFFECT>
	Depth of field's mix for a blur that carries the depth key in its alpha (pe_dofblur.fx): the
	blurred source where the key lies away from the focal plane (g_Float_Param1), by the blur
	amount g_Float_Param2; the captured picture where it is in focus.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_ORG" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
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
  vec4 blurred = Src(v_Tex0);
  float k = clamp(abs(blurred.a - g_Float_Param1) * g_Float_Param2, 0.0, 1.0);
  o_Color = vec4(mix(texture(g_Textur_ORG, v_Tex1).rgb, blurred.rgb, k), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
