<>
 	<\>
<EFFECT>
	Glow added onto the captured picture: the work picture starts as a copy of the captured one
	(the technique's "StartFromOriginal"), and the source, stretched, is blended on at the
	strength g_Float_Param1. The target saturates at white as the bloom combine's clamp does,
	so this is the bloom combine for a picture weight of 1, for the price of one read a pixel.
	The chain may do this step in its finishing pass (pe_finish.fx) with other effects' last
	steps: "FinishStep" says what the step computes.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<ANNOTATION> "FinishStep" "string" "GlowAdded" <\ANNOTATION>
		<ANNOTATION> "StartFromOriginal" "int" "1" <\ANNOTATION>
		<PASS>
			<NAME> "Add" <\NAME>
			<BLEND> "ONE" "ONE" "ADD" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  o_Color = vec4(Src(v_Tex0).rgb * g_Float_Param1, 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
