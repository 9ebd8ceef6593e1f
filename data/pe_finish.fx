<>
 	<\>
<EFFECT>
	The chain's finishing pass: what the full-size last steps of the active effects would do
	one after another, in one pass over the screen that reads the captured picture once. Up to
	two glows, each laid over the picture as a bloom combine does (the picture times its
	weight, plus the glow times its strength, white at most, then the colours strengthened by
	its colour factor) and, last, the depth of field's mix: the blurred picture, finished the
	same way, where the blur's key (its alpha) leaves the focal plane.
	Each small picture is read at v_Tex0 times the xy of its vector (the part of its texture
	that holds the picture); z of g_GlowA/g_GlowB is the glow's strength (0 leaves it out), w
	the picture's weight. x and y of g_Finish are the colour factors of the two glows; z is 1
	when a glow step ran (its picture is opaque); w is 1 when the blur was made of finished
	taps (pe_dofblur.fx can do that), 0 when this pass finishes the blurred picture. g_Dof is
	the key's focal plane in z and the blur amount in w (0: no depth of field).
	<PARAM> <NAME> "g_Textur_GlowA" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_Textur_GlowB" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_GlowA" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_GlowB" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Finish" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "0" "0" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Dof" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "0" <\VALUE> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_ORG" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowB" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
const vec3 kLuminance = vec3(0.299, 0.587, 0.114);

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
  if (g_Dof.w != 0.0) {
    // The blur's part of the source, read where it holds valid pixels.
    vec4 blurred = texture(g_Textur_SRC, min(v_Tex0 * g_Dof.xy, g_Dof.xy - 0.5 / u_Screen));
    float k = clamp(abs(blurred.a - g_Dof.z) * g_Dof.w, 0.0, 1.0);
    vec3 far = g_Finish.w != 0.0 ? blurred.rgb : Glow(Glow(blurred.rgb, a, g_GlowA.w, g_Finish.x), b, g_GlowB.w, g_Finish.y);
    c = mix(c, far, k);
  }
  o_Color = vec4(c, max(picture.a, g_Finish.z));
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
