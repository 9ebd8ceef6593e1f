<>
 	<\>
<EFFECT>
	Copies the source picture unchanged. Point sampling: a copy never mixes neighbouring pixels.
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Copy" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  o_Color = texture(g_Textur_SRC, v_Tex0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
