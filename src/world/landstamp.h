// One image to be drawn into a landscape layer: a rectangle of a texture, where it goes in
// world pixels, a rotation about a centre, bilinear or nearest sampling, a modulating
// colour, and how its pixels combine with the terrain's (a blend of two factor modes, or
// erasing). Landschaft::StampTexture carries it out.
#pragma once

#include <cstdint>

#include "engine/gfxtypes.h"
#include "platform/texture.h"

class DataArchive;
class KVNode;
class Landschaft;
class TexturDefCache;

class LandStamp {
 public:
  // Blend factor modes: what the image's and the terrain's channels are multiplied by.
  enum Mode : int32_t {
    kZero = 0,
    kOne = 1,
    kSubtractColour = 2,  // (1, -1, -1, -1)
    kSubtractAlpha = 3,   // (-1, 1, 1, 1)
    kSubtract = 4,        // (-1, -1, -1, -1)
    kSourceColour = 5,
    kDestColour = 6,
    kInvSourceColour = 7,
    kInvDestColour = 8,
    kSourceAlpha = 9,
    kDestAlpha = 10,
    kInvSourceAlpha = 11,
    kInvDestAlpha = 12,
  };

  // A stamp from its parts (a texture part's texture and rectangle, or any texture and a
  // rectangle of it); a null centre or rotation means (0, 0) or 0.
  LandStamp(platform::Texture* texture, const Rect& source, const Rect& destination,
            const Vector2* rotationCentre, const double* rotation, bool bilinear, Argb modulation,
            int32_t sourceMode, int32_t destMode, bool clamp);
  // A stamp from a definition block (keys SEARCHPATH, TEXTUR_INDIREKT, TEXTUR_DIREKT,
  // TEX_RECT, WORLD_RECT, ROTCENTER, ROTATION, BILINEAR, COLORKEY), its texture asked of the
  // texture cache (the graphics manager's) from the archive (the game-wide object's; null
  // reads from disk). Without a node the defaults stand; without a cache, or when the
  // request finds nothing, the texture stays null.
  LandStamp(const KVNode* definition, TexturDefCache* textures, const DataArchive* archive);

  // Stores the destination; a rectangle given right to left (bottom to top) is kept the
  // other way round and the image is mirrored on that axis.
  void SetDestination(const Rect& rect);
  // A released image that can be read again holds its pixels afterwards (the constructors
  // see to it; whoever changes `texture` later calls it).
  void HoldPixels();

  // The image (borrowed) and its texels to use.
  platform::Texture* texture = nullptr;
  Rect source;
  // World pixels the unrotated image covers (right and bottom exclusive), and whether the
  // image is sampled mirrored.
  Rect destination;
  bool mirrorX = false;
  bool mirrorY = false;
  // Degrees, about the centre, which is relative to the destination's top-left corner.
  double rotation = 0.0;
  Vector2 rotationCentre;
  bool bilinear = true;
  Argb modulation = 0xFFFFFFFF;
  int32_t sourceMode = kSourceAlpha;
  int32_t destMode = kInvSourceAlpha;
  // Solid terrain pixels are left as they are.
  bool keepSolid = false;
  // Subtract the image's alpha from the terrain's instead of blending.
  bool erase = false;
  // With erase: report the pixels that turn from solid to empty.
  bool collectRemoved = false;
  // Only pixels where this layer (borrowed) shows maskColour's red, green and blue.
  Landschaft* maskLayer = nullptr;
  uint32_t maskColour = 0xFFFFFFFF;
  // Replaces the image's red, green and blue.
  bool useFixedColour = false;
  uint32_t fixedColour = 0xFFFFFFFF;
  // Blended channels limited to 0..255; else their low 8 bits are kept.
  bool clamp = true;
};
