// Loading animation files and looking definitions up by name.
#include "engine/animationmanager.h"

#include "engine/apigraphics.h"
#include "engine/kvnode.h"

namespace {

// Exact name, from the last entry to the first: later definitions shadow earlier ones.
template <class T>
T* FindLast(const std::vector<std::unique_ptr<T>>& list, std::u16string_view name) {
  for (size_t i = list.size(); i-- > 0;)
    if (list[i]->GetName() == name) return list[i].get();
  return nullptr;
}

}  // namespace

AnimationManager::AnimationManager(APIGraphics* graphics) : m_graphics(graphics) {}

AnimationManager::~AnimationManager() = default;

TexturDefCache* AnimationManager::GetTexturDefCache() const {
  return m_graphics ? m_graphics->GetTexturDefCache() : nullptr;
}

void AnimationManager::LoadFile(const KVNode* root, const DataArchive* archive) {
  if (!root) return;
  // Grouped by kind whatever the order in the file, so each kind can name those before it.
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"ANIMATION_FRAMES"); ++i)
    AddFrames(std::make_unique<AnimationFrames>(node, archive, GetTexturDefCache()));
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"ANIMATION"); ++i)
    AddAnimation(std::make_unique<Animation>(node, archive, *this));
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"PFADANIMATION"); ++i)
    AddPfadAnimation(std::make_unique<PfadAnimation>(node));
  for (unsigned i = 0; const KVNode* node = root->GetChild(i, u"BEWEGTEANIMATION"); ++i)
    AddBewegteAnimation(std::make_unique<BewegteAnimation>(node, *this));
}

std::unique_ptr<Animation> AnimationManager::CreateAnimation(std::u16string_view name) const {
  const Animation* found = FindLast(m_animations, name);
  return found ? found->Clone() : nullptr;
}

std::unique_ptr<PfadAnimation> AnimationManager::CreatePfadAnimation(std::u16string_view name) const {
  const PfadAnimation* found = FindLast(m_paths, name);
  return found ? found->Clone() : nullptr;
}

std::unique_ptr<BewegteAnimation> AnimationManager::CreateBewegteAnimation(std::u16string_view name) const {
  const BewegteAnimation* found = FindLast(m_moving, name);
  return found ? found->Clone() : nullptr;
}

const Animation* AnimationManager::FindAnimation(std::u16string_view name) const {
  return FindLast(m_animations, name);
}

const AnimationFrames* AnimationManager::FindFrames(std::u16string_view name) const {
  return FindLast(m_frames, name);
}

const PfadAnimation* AnimationManager::FindPfadAnimation(std::u16string_view name) const {
  return FindLast(m_paths, name);
}

const BewegteAnimation* AnimationManager::FindBewegteAnimation(std::u16string_view name) const {
  return FindLast(m_moving, name);
}

void AnimationManager::AddFrames(std::unique_ptr<AnimationFrames> frames) {
  if (frames) m_frames.push_back(std::move(frames));
}

void AnimationManager::AddAnimation(std::unique_ptr<Animation> animation) {
  if (animation) m_animations.push_back(std::move(animation));
}

void AnimationManager::AddPfadAnimation(std::unique_ptr<PfadAnimation> path) {
  if (path) m_paths.push_back(std::move(path));
}

void AnimationManager::AddBewegteAnimation(std::unique_ptr<BewegteAnimation> moving) {
  if (moving) m_moving.push_back(std::move(moving));
}
