// Frame animations: frame lists read from single images and from sheets of equal cells, and
// the animation that plays a frame order over a list by time (looping, bouncing or clamped).
// The animation manager keeps the definitions; users play their own clones.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class AnimationManager;
class DataArchive;
class KVNode;
class TexturDefCache;
class TexturPart;

// One picture: a rectangle of an image from the texture cache (which owns the image).
struct AnimationFrame {
  const TexturPart* texture = nullptr;
  Rect rect;
  // Sort key within the frame list.
  int32_t number = 0;
};

// A named list of frames in ascending order of their numbers; frames of equal number keep the
// order in which they were added.
class AnimationFrames {
 public:
  explicit AnimationFrames(std::u16string name = u"") : m_name(std::move(name)) {}
  // Reads NAME, the FRAME entries, then an ANIMATIONFILE grid. Images come from the cache
  // (none without one).
  AnimationFrames(const KVNode* node, const DataArchive* archive, TexturDefCache* cache);
  AnimationFrames(const AnimationFrames&) = delete;
  AnimationFrames& operator=(const AnimationFrames&) = delete;

  // Inserted before the first frame with a greater number.
  void AddFrame(std::unique_ptr<AnimationFrame> frame);
  // Null when the index is not below the frame count (or negative).
  const AnimationFrame* GetFrame(int32_t index) const;
  int32_t GetCount() const { return int32_t(m_frames.size()); }
  const std::u16string& GetName() const { return m_name; }

 private:
  std::u16string m_name;
  std::vector<std::unique_ptr<AnimationFrame>> m_frames;
};

class Animation {
 public:
  enum PlayType : int32_t { kLoop = 0, kForwardBackward = 1, kClamp = 2 };

  // Reads an ANIMATION entry. Its frame list is the one named by ANIMATION_FRAME_NAME, or an
  // inline ANIMATION_FRAME list that is handed to the manager; with neither the animation
  // has no frames and never shows one.
  Animation(const KVNode* node, const DataArchive* archive, AnimationManager& manager);

  // A copy sharing the frame list, with a start frame drawn anew.
  std::unique_ptr<Animation> Clone() const;

  void Update(double step) {
    const double s = step * m_speed;
    const double last = double(int64_t(m_frameOrder.size()) - 1);
    if (m_backward) {
      m_position -= s;
      if (m_position <= 0.0) {
        m_position = 0.0;
        m_backward = false;
      }
    } else {
      m_position += s;
      if (m_position >= last) {
        m_position = last;
        if (m_playType == kLoop)
          m_position = 0.0;
        else if (m_playType == kForwardBackward)
          m_backward = true;
      }
    }
    m_framesPlayed += s;
  }
  // The frame to draw now, or null (no frame order, or an entry that names no frame).
  const AnimationFrame* GetCurrentFrame() const;
  // Position over the number of frame-order entries (0 without entries).
  float GetProgress() const;
  bool IsFinished() const { return m_frameLimit >= 1 && m_framesPlayed >= double(m_frameLimit); }
  // Negative: back to position 0; else to the chosen start frame. Forward, nothing played.
  void Restart(int32_t how);
  // A fraction of the way through the frame order; negative restarts at 0.
  void SetPosition(double fraction);
  void SetSpeed(double speed) { m_speed = speed; }

  const std::u16string& GetName() const { return m_name; }
  const AnimationFrames* GetFrames() const { return m_frames; }
  const std::vector<int32_t>& GetFrameOrder() const { return m_frameOrder; }
  PlayType GetPlayType() const { return PlayType(m_playType); }
  int32_t GetFrameLimit() const { return m_frameLimit; }
  // Chosen, minimum and maximum start frame.
  const std::array<int32_t, 3>& GetStartFrame() const { return m_startFrame; }
  bool IsInverted() const { return m_invert; }
  double GetSpeed() const { return m_speed; }
  bool IsBackward() const { return m_backward; }
  double GetPosition() const { return m_position; }
  double GetFramesPlayed() const { return m_framesPlayed; }

 private:
  Animation(const Animation&) = default;
  // chosen = trunc(r * (maximum - minimum) + minimum): one draw of the game's generator.
  void DrawStartFrame();

  std::u16string m_name;
  const AnimationFrames* m_frames = nullptr;
  std::vector<int32_t> m_frameOrder;
  int32_t m_playType = kLoop;
  int32_t m_frameLimit = 0;
  std::array<int32_t, 3> m_startFrame{0, 0, 0};
  bool m_invert = false;
  double m_speed = 25.0;
  bool m_backward = false;
  double m_position = 0.0;
  double m_framesPlayed = 0.0;
};
