<>
 	<\>
<EFFECT>
	Saturation: 1 keeps the colours, 0 turns them grey, above 1 makes them stronger (g_Float_Param1).
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Saturate" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec4 c = Src(v_Tex0);
  float grey = dot(c.rgb, vec3(0.299, 0.587, 0.114));
  o_Color = vec4(clamp(mix(vec3(grey), c.rgb, g_Float_Param1), 0.0, 1.0), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
