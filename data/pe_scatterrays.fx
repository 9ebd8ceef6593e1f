<>
 	<\>
<EFFECT>
	Light scattering at a quarter of the size, the rays alone: from the sun (x, y of g_Vec4_Param1)
	through the gaps of the occluder mask in the extra picture. g_Vec4_Param2 is density,
	weight, decay and the number of samples; g_Float_Param1 the exposure, g_Float_Param2 an
	offset taken off the rays. A bloom combine stretches them back and lays them over the picture.
	<SAMPLER> <NAME> "g_Textur_EXTRA" <\NAME> <FILTER> "LINEAR" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
	<TECHNIQUE>
		<NAME> "RenderPost" <\NAME>
		<PASS>
			<NAME> "Rays" <\NAME>
			<ANNOTATION> "fScaleX" "float" "0.25" <\ANNOTATION>
			<ANNOTATION> "fScaleY" "float" "0.25" <\ANNOTATION>
			<BLEND> "OFF" <\BLEND>
			<LAYOUT> "POST" <\LAYOUT>
			<FRAGMENT> "
void main() {
  vec4 q = g_Vec4_Param2;
  int samples = int(clamp(q.w, 1.0, 128.0));
  vec2 uv = v_Tex1;
  vec2 step = (uv - g_Vec4_Param1.xy) * q.x / float(samples);
  float illumination = 1.0;
  vec3 rays = vec3(0.0);
  for (int i = 0; i < 128; ++i) {
    if (i >= samples) break;
    uv -= step;
    rays += texture(g_Textur_EXTRA, uv).rgb * illumination * q.y;
    illumination *= q.z;
  }
  o_Color = vec4(max(rays * g_Float_Param1 - vec3(g_Float_Param2), 0.0), 1.0);
}
" <\FRAGMENT>
		<\PASS>
	<\TECHNIQUE>
<\EFFECT>
