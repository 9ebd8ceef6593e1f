// The keeper of every animation definition read from the animation files: frame lists,
// frame animations, path animations and moving animations, each looked up by exact name from
// the last loaded to the first, so a later definition shadows an earlier one. The game-wide
// object owns the one manager; users take clones, which they own.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "engine/animation.h"
#include "engine/bewegteanimation.h"
#include "engine/pfadanimation.h"

class APIGraphics;
class DataArchive;
class KVNode;
class TexturDefCache;

class AnimationManager {
 public:
  // Images come from the graphics manager's texture cache; without a graphics manager the
  // frames have no images and moving animations draw nothing.
  explicit AnimationManager(APIGraphics* graphics);
  ~AnimationManager();
  AnimationManager(const AnimationManager&) = delete;
  AnimationManager& operator=(const AnimationManager&) = delete;

  // Reads every ANIMATION_FRAMES, then every ANIMATION, PFADANIMATION and BEWEGTEANIMATION
  // entry of the root, each kind in file order. A null root reads nothing.
  void LoadFile(const KVNode* root, const DataArchive* archive);

  // New copies owned by the caller, or null for an unknown name.
  std::unique_ptr<Animation> CreateAnimation(std::u16string_view name) const;
  std::unique_ptr<PfadAnimation> CreatePfadAnimation(std::u16string_view name) const;
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view name) const;
  // The stored definitions themselves (still the manager's), or null.
  const Animation* FindAnimation(std::u16string_view name) const;
  const AnimationFrames* FindFrames(std::u16string_view name) const;
  const PfadAnimation* FindPfadAnimation(std::u16string_view name) const;
  const BewegteAnimation* FindBewegteAnimation(std::u16string_view name) const;

  void AddFrames(std::unique_ptr<AnimationFrames> frames);
  void AddAnimation(std::unique_ptr<Animation> animation);
  void AddPfadAnimation(std::unique_ptr<PfadAnimation> path);
  void AddBewegteAnimation(std::unique_ptr<BewegteAnimation> moving);

  APIGraphics* GetGraphics() const { return m_graphics; }
  // The game-wide manager is made before the graphics manager exists and takes it with the
  // device, before anything is loaded; definitions keep the one they were read with.
  void SetGraphics(APIGraphics* graphics) { m_graphics = graphics; }
  TexturDefCache* GetTexturDefCache() const;
  size_t GetAnimationCount() const { return m_animations.size(); }
  size_t GetFramesCount() const { return m_frames.size(); }
  size_t GetPfadAnimationCount() const { return m_paths.size(); }
  size_t GetBewegteAnimationCount() const { return m_moving.size(); }

 private:
  APIGraphics* m_graphics;
  std::vector<std::unique_ptr<Animation>> m_animations;
  std::vector<std::unique_ptr<AnimationFrames>> m_frames;
  std::vector<std::unique_ptr<PfadAnimation>> m_paths;
  std::vector<std::unique_ptr<BewegteAnimation>> m_moving;
};
