<>
 	<\>
<EFFECT>
	Bloom combine: the glow (the source, g_Float_Param1) over the captured picture
	(g_Float_Param2), then the colours strengthened by x of g_Vec4_Param1 (0 leaves them as
	they are, 0.15 makes them 15 % stronger than grey): a level's colour and its bloom in one
	pass over the screen.
	The chain may do this step in its finishing pass (pe_finish.fx) with other effects' last
	steps: "FinishStep" says what the step computes.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_ORG" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<ANNOTATION> "FinishStep" "string" "GlowWeighedColoured" <\ANNOTATION>
		<PASS>
			<NAME> "Combine" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec3 glow = Src(v_Tex0).rgb;
  vec3 picture = texture(g_Textur_ORG, v_Tex1).rgb;
  vec3 c = clamp(picture * g_Float_Param2 + glow * g_Float_Param1, 0.0, 1.0);
  float grey = dot(c, vec3(0.299, 0.587, 0.114));
  o_Color = vec4(clamp(mix(vec3(grey), c, 1.0 + g_Vec4_Param1.x), 0.0, 1.0), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
