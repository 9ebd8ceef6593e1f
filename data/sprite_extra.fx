<>
 	<\>
<EFFECT>
	Draws sprites through the sprite renderer's effect mode: each quad's texture times its colour,
	blended with straight alpha, and nothing where the result is fully transparent.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Sprites" <\NAME>
			<BLEND> "SRCALPHA" "INVSRCALPHA" "ADD" <\BLEND>
			<LAYOUT> "SPRITE" <\LAYOUT>
			<FRAGMENT> "
void main() {
  o_Color = texture(g_Textur_SRC, v_Tex0) * v_Color;
  if (o_Color.a <= 0.0) discard;
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
