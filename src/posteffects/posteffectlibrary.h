// The game-wide library of post effects that the battle, the camera, the weapons and the
// menus switch on by name. It stands for the post-effect library (PostEffectLibrary) until
// the post effects are built; the game-wide object makes it once the graphics device
// exists and keeps it for the whole run.
#pragma once

class PostEffectLibrary {
 public:
  PostEffectLibrary() = default;
  PostEffectLibrary(const PostEffectLibrary&) = delete;
  PostEffectLibrary& operator=(const PostEffectLibrary&) = delete;
};
