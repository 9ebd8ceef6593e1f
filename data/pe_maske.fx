<>
 	<\>
<EFFECT>
	Draws sprites as flat key colours for a render extra: each quad's colour wherever its texture
	is not transparent, so a depth key does not take on the picture's shading.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Maske" <\NAME>
			<BLEND> "SRCALPHA" "INVSRCALPHA" "ADD" <\BLEND>
			<LAYOUT> "SPRITE" <\LAYOUT>
			<FRAGMENT> "
void main() {
  float a = texture(g_Textur_SRC, v_Tex0).a * v_Color.a;
  if (a <= 0.0) discard;
  o_Color = vec4(v_Color.rgb, a);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
