<>
 	<\>
<EFFECT>
	Depth of field's mix for a blur that carries the depth key in its alpha (pe_dofblur.fx): the
	blurred source where the key lies away from the focal plane (g_Float_Param1), by the blur
	amount g_Float_Param2; the captured picture where it is in focus. The work picture starts as
	a copy of the captured one and the blur is blended on by the key, the picture's alpha kept:
	the mix reads one picture a pixel.
	The chain may do this step in its finishing pass (pe_finish.fx) with other effects' last
	steps: "FinishStep" says what the step computes.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<ANNOTATION> "FinishStep" "string" "DepthKeyMix" <\ANNOTATION>
		<ANNOTATION> "StartFromOriginal" "int" "1" <\ANNOTATION>
		<PASS>
			<NAME> "Dof" <\NAME>
			<BLEND> "SRCALPHA" "INVSRCALPHA" "ADD" "ZERO" "ONE" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec4 blurred = Src(v_Tex0);
  float k = clamp(abs(blurred.a - g_Float_Param1) * g_Float_Param2, 0.0, 1.0);
  o_Color = vec4(blurred.rgb, k);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
