<>
 	<\>
<EFFECT>
	Bright pass: shrinks the picture to a quarter and keeps what is brighter than the threshold
	(g_Float_Param1), stretched back to the full range.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Bright" <\NAME>
			<ANNOTATION> "fScaleX" "float" "0.25" <\ANNOTATION>
			<ANNOTATION> "fScaleY" "float" "0.25" <\ANNOTATION>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  // Four taps a source pixel apart: the quarter-size picture averages a 4 x 4 block.
  vec2 t = 1.0 / u_Screen;
  vec3 c = (Src(v_Tex0 + vec2(-t.x, -t.y)).rgb + Src(v_Tex0 + vec2(t.x, -t.y)).rgb +
            Src(v_Tex0 + vec2(-t.x, t.y)).rgb + Src(v_Tex0 + vec2(t.x, t.y)).rgb) * 0.25;
  float threshold = clamp(g_Float_Param1, 0.0, 0.99);
  o_Color = vec4(max(c - vec3(threshold), 0.0) / (1.0 - threshold), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
