<>
 	<\>
<EFFECT>
	Blur in both directions at once, for a short reach: the centre and four diagonal taps; the
	steps are x and y of g_Vec4_Param1 times 1.5 pixels, the strength g_Float_Param1. Drawn at
	half the size, it reads the whole picture in one pass where a blur along each direction
	would take two. A pixel of the blur covers two by two of the picture: the centre tap lies
	between them and averages the four; the diagonal taps, 1.5 pixels away, lie on pixel
	centres and are read as single pixels (for other steps, or a picture of odd size, the
	pixel that holds the point): one texel instead of four filtered. Alpha carries the depth
	key of the extra picture (red, read filtered), so that the depth of field's mix reads one
	picture less per pixel of the screen.
	When the chain's finishing pass does the last steps of the effects before (up to two glows,
	as in pe_finish.fx) and this blur's mix (focal plane and amount in z and w of g_Dof), they
	have not reached the picture yet: with w of g_Finish at 1, each tap is finished as that
	pass finishes the picture (the glows read at the pixel, their steps on the picture without
	the clamps between them: x of g_Linear times the tap plus y times its grey, then the glows'
	part, clamped once), and the blur writes what the pass lays over the picture (the glows'
	part where the key is in focus, the blur where it is not) with how much of the picture
	stays in alpha.
	<PARAM> <NAME> "g_Textur_GlowA" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_Textur_GlowB" <\NAME> <TYPE> "TEXTURE" <\TYPE> <\PARAM>
	<PARAM> <NAME> "g_GlowA" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_GlowB" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "1" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Finish" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "0" "0" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Dof" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "1" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Linear" <\NAME> <TYPE> "VEC4" <\TYPE> <VALUE> "1" "0" "0" "0" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_TapPixels" <\NAME> <TYPE> "vec2" <\TYPE> <VALUE> "1.5" "1.5" <\VALUE> <\PARAM>
	<PARAM> <NAME> "g_Tap" <\NAME> <TYPE> "vec2" <\TYPE>
		<ANNOTATION> "ConvertPixelsToTexels" "string" "g_TapPixels" <\ANNOTATION> <\PARAM>
	<SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_EXTRA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<SAMPLER> <NAME> "g_Textur_GlowB" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<COMMON> "
// The previous effect's picture, read only where it holds valid pixels.
vec4 Src(vec2 uv) { return texture(g_Textur_SRC, min(uv, u_SrcScale - 0.5 / u_Screen)); }

// The pixel of the previous effect's picture that holds the point, read alone.
vec4 SrcPixel(vec2 uv) {
  ivec2 last = ivec2(u_SrcScale * u_Screen + 0.5) - 1;
  return texelFetch(g_Textur_SRC, clamp(ivec2(floor(uv * u_Screen)), ivec2(0), last), 0);
}

const vec3 kLuminance = vec3(0.299, 0.587, 0.114);

// The colours moved away from their grey by the factor, unclamped.
vec3 Strengthen(vec3 c, float colour) { return (1.0 + colour) * c - colour * dot(c, kLuminance); }

// The glows' steps on a tap: its linear part, the glows' part, one clamp.
vec3 Finished(vec3 c, vec3 glows) {
  return clamp(g_Linear.x * c + g_Linear.y * dot(c, kLuminance) + glows, 0.0, 1.0);
}
" <\COMMON>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Blur" <\NAME>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec2 o = g_Vec4_Param1.xy * g_Tap;
  vec2 p = vec2(o.x, -o.y);
  vec3 t[5] = vec3[5](Src(v_Tex0).rgb, SrcPixel(v_Tex0 + o).rgb, SrcPixel(v_Tex0 - o).rgb, SrcPixel(v_Tex0 + p).rgb,
                      SrcPixel(v_Tex0 - p).rgb);
  float key = texture(g_Textur_EXTRA, v_Tex1).r;
  if (g_Finish.w == 0.0) {
    o_Color = vec4((t[0] + t[1] + t[2] + t[3] + t[4]) * (0.2 * g_Float_Param1), key);
    return;
  }
  vec3 a = texture(g_Textur_GlowA, v_Tex0 * g_GlowA.xy).rgb * g_GlowA.z;
  vec3 b = texture(g_Textur_GlowB, v_Tex0 * g_GlowB.xy).rgb * g_GlowB.z;
  vec3 glows = Strengthen(g_GlowB.w * Strengthen(a, g_Finish.x) + b, g_Finish.y);
  vec3 far = (Finished(t[0], glows) + Finished(t[1], glows) + Finished(t[2], glows) + Finished(t[3], glows) +
              Finished(t[4], glows)) * (0.2 * g_Float_Param1);
  float k = clamp(abs(key - g_Dof.z) * g_Dof.w, 0.0, 1.0);
  o_Color = vec4(mix(glows, far, k), 1.0 - k);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
