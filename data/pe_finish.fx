<>
 	<\>
<EFFECT>
	The chain's finishing pass: what the full-size last steps of the active effects would do
	one after another, in one pass over the screen. Up to two glows, each laid over the picture
	as a bloom combine does (the picture times its weight, plus the glow times its strength,
	white at most, then the colours strengthened by its colour factor) and, last, the depth of
	field's mix: the blurred picture, finished the same way, where the depth key leaves the
	focal plane.
	Each small picture is read at v_Tex0 times the xy of its vector (the part of its texture
	that holds the picture); z of g_GlowA/g_GlowB is the glow's strength (0 leaves it out), w
	the picture's weight. x and y of g_Finish are the colour factors of the two glows; z is 1
	when a glow step ran (its picture is opaque). xy of g_Dof is the part of the source that
	holds the small picture "Composed" reads.
	"RenderPost" reads the glows itself: three pictures a pixel. "Composed" reads two: the
	captured picture, and in the source one small picture that holds what is laid over it
	(rgb) and how much of the picture stays (alpha), made at the small size by "Compose" from
	the glows, or by the depth of field's blur (pe_dofblur.fx) from the glows, the blur and the
	key. The picture's part is the glows' steps without their clamps: the colour strengthening
	is linear, so the steps become x of g_Linear times the picture plus y of g_Linear times its
	grey (moving a colour away from its grey, and weighing it, keeps that form however many
	steps follow one another) and one colour of the small picture; only where a step clamps
	(a bright picture under a strong glow) does this differ from the steps one after another.
	<PARAM> <NAME> "g_Textur_GlowA" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_Textur_GlowB" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_GlowA" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_GlowB" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Finish" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "0" "0" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Dof" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Linear" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "0" "0" "0" <\VALUE> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_ORG" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowB" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
const vec3 kLuminance = vec3(0.299, 0.587, 0.114);

// The colours moved away from their grey by the factor, unclamped.
vec3 Strengthen(vec3 c, float colour) { return (1.0 + colour) * c - colour * dot(c, kLuminance); }

vec3 Glow(vec3 c, vec3 glow, float weight, float colour) {
  c = clamp(c * weight + glow, 0.0, 1.0);
  return clamp(mix(vec3(dot(c, kLuminance)), c, 1.0 + colour), 0.0, 1.0);
}
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Finish" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec3 a = texture(g_Textur_GlowA, v_Tex0 * g_GlowA.xy).rgb * g_GlowA.z;
  vec3 b = texture(g_Textur_GlowB, v_Tex0 * g_GlowB.xy).rgb * g_GlowB.z;
  vec4 picture = texture(g_Textur_ORG, v_Tex1);
  vec3 c = picture.rgb;
  c = Glow(Glow(c, a, g_GlowA.w, g_Finish.x), b, g_GlowB.w, g_Finish.y);
  o_Color = vec4(c, max(picture.a, g_Finish.z));
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
	<TECHNIQUE>
		<NAME> "Compose" <\NAME>
		<PASS>
			<NAME> "Compose" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec3 a = texture(g_Textur_GlowA, v_Tex0 * g_GlowA.xy).rgb * g_GlowA.z;
  vec3 b = texture(g_Textur_GlowB, v_Tex0 * g_GlowB.xy).rgb * g_GlowB.z;
  o_Color = vec4(Strengthen(g_GlowB.w * Strengthen(a, g_Finish.x) + b, g_Finish.y), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
	<TECHNIQUE>
		<NAME> "Composed" <\NAME>
		<PASS>
			<NAME> "Finish" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec4 picture = texture(g_Textur_ORG, v_Tex1);
  vec4 over = texture(g_Textur_SRC, min(v_Tex0 * g_Dof.xy, g_Dof.xy - 0.5 / u_Screen));
  vec3 c = g_Linear.x * picture.rgb + g_Linear.y * dot(picture.rgb, kLuminance);
  // The target holds 0 .. 1: it clamps what is written.
  o_Color = vec4(c * over.a + over.rgb, max(picture.a, g_Finish.z));
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
