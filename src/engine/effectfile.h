// Effect files (".fx"): key/value documents whose root "EFFECT" holds the parameters,
// samplers, common shader text and techniques of one effect, read into the description the
// graphics device builds an effect from.
//
//   <PARAM> <NAME> "g_Offsets" <\NAME> <TYPE> "vec2" <\TYPE> <COUNT> "4" <\COUNT>
//           <VALUE> "1" "0" ... <\VALUE>
//           <ANNOTATION> "ConvertPixelsToTexels" "string" "g_OffsetsPixels" <\ANNOTATION> <\PARAM>
//   <SAMPLER> <NAME> "g_Textur_SRC" <\NAME> <FILTER> "POINT" <\FILTER> <WRAP> "CLAMP" <\WRAP> <\SAMPLER>
//   <COMMON> "GLSL shared by every stage" <\COMMON>
//   <TECHNIQUE> <NAME> "RenderPost" <\NAME>
//     <PASS> <NAME> "P0" <\NAME> <ANNOTATION> "fScaleX" "float" "0.25" <\ANNOTATION>
//            <BLEND> "SRCALPHA" "INVSRCALPHA" "ADD" <\BLEND> (or "OFF", the default)
//            <LAYOUT> "POST" <\LAYOUT> (or "SPRITE") <VERTEX> "..." <\VERTEX> <FRAGMENT> "..." <\FRAGMENT>
//     <\PASS> <\TECHNIQUE>
//
// TYPE is float, vec2, vec3, vec4, int or texture; FILTER LINEAR or POINT; WRAP CLAMP or
// REPEAT; annotation types float, int or string. Keywords ignore letter case.
#pragma once

#include <string>

#include "platform/effect.h"

class KVNode;

// False, with the reason, when the document is no effect file or a key holds a value it
// cannot take. Keys it does not know are skipped.
bool ReadEffectDescription(const KVNode& root, platform::EffectDescription* out, std::string* error);
