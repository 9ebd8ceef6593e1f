// Frame lists and frame animations.
#include "engine/animation.h"

#include <algorithm>

#include "engine/animationmanager.h"
#include "engine/contentlimits.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/texturdefcache.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

// Four integers left, top, right, bottom. A key with fewer values is malformed and ignored,
// so the rectangle keeps what it had.
bool ReadRect(const KVNode* node, std::u16string_view key, Rect& rect) {
  const KVNode* child = node->GetChild(0, key);
  if (!child || child->GetValueCount() < 4) return false;
  rect = {child->GetValue(0)->AsInt(), child->GetValue(1)->AsInt(), child->GetValue(2)->AsInt(),
          child->GetValue(3)->AsInt()};
  return true;
}

const TexturPart* RequestImage(const KVNode* node, const SearchPath& path, const DataArchive* archive,
                               TexturDefCache* cache) {
  const KVValue* file = node->Find(u"TEXTUR_FILE");
  if (!file || !cache) return nullptr;
  return cache->Get(file->Text(), &path, nullptr, archive);
}

// Sums in 64 bits, held to what a rectangle holds: extreme sheet values cannot overflow.
Rect Moved(const Rect& r, int64_t dx, int64_t dy) {
  using platform::Saturate;
  return {Saturate(r.left + dx), Saturate(r.top + dy), Saturate(r.right + dx), Saturate(r.bottom + dy)};
}

}  // namespace

AnimationFrames::AnimationFrames(const KVNode* node, const DataArchive* archive, TexturDefCache* cache) {
  if (!node) return;
  node->Read(u"NAME", m_name);

  for (unsigned i = 0; const KVNode* entry = node->GetChild(i, u"FRAME"); ++i) {
    // The entry's own values are the folders its image is looked up in.
    SearchPath path(entry);
    auto frame = std::make_unique<AnimationFrame>();
    frame->texture = RequestImage(entry, path, archive, cache);
    if (frame->texture) frame->rect = frame->texture->rect;
    ReadRect(entry, u"TEX_RECT", frame->rect);
    entry->Read(u"OFFSET", frame->number);
    AddFrame(std::move(frame));
  }

  const KVNode* sheet = node->GetChild(0, u"ANIMATIONFILE");
  if (!sheet) return;
  SearchPath path(sheet->GetChild(0, u"SEARCHPATH"));
  const TexturPart* image = RequestImage(sheet, path, archive, cache);
  Rect first = image ? image->rect : Rect{};
  ReadRect(sheet, u"FIRST_FRAME", first);
  const int64_t w = int64_t(first.right) - first.left;
  const int64_t h = int64_t(first.bottom) - first.top;
  int32_t columns = 1, rows = 1, base = 0;
  content::ReadCount(*sheet, u"ANZAHL", columns, 0, content::kMaxSheetSide, 0);
  content::ReadCount(*sheet, u"ANZAHL", rows, 0, content::kMaxSheetSide, 1);
  content::ReadCount(*sheet, u"OFFSET", base, -content::kMaxFrameNumber, content::kMaxFrameNumber);
  auto add = [&](int32_t column, int32_t row, int32_t number) {
    auto frame = std::make_unique<AnimationFrame>();
    frame->texture = image;
    frame->rect = Moved(first, column * w, row * h);
    frame->number = number;
    AddFrame(std::move(frame));
  };
  if (const KVNode* order = sheet->GetChild(0, u"REIHENFOLGE")) {
    // A grid of no columns would divide by zero; it counts as one column.
    const int32_t c = std::max(columns, 1);
    for (unsigned i = 0; i < order->GetValueCount(); ++i) {
      const int32_t k = content::Clamp(order->GetValue(i)->AsInt(), -content::kMaxFrameNumber,
                                       content::kMaxFrameNumber, u"REIHENFOLGE");
      add(k % c, k / c, base + int32_t(i));
    }
    return;
  }
  for (int32_t row = 0; row < rows; ++row)
    for (int32_t column = 0; column < columns; ++column) add(column, row, columns * row + base + column);
}

void AnimationFrames::AddFrame(std::unique_ptr<AnimationFrame> frame) {
  if (!frame) return;
  auto at = std::upper_bound(m_frames.begin(), m_frames.end(), frame->number,
                             [](int32_t number, const auto& f) { return number < f->number; });
  m_frames.insert(at, std::move(frame));
}

const AnimationFrame* AnimationFrames::GetFrame(int32_t index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return m_frames[size_t(index)].get();
}

Animation::Animation(const KVNode* node, const DataArchive* archive, AnimationManager& manager) {
  if (!node) return;
  node->Read(u"NAME", m_name);
  if (const KVNode* named = node->GetChild(0, u"ANIMATION_FRAME_NAME")) {
    if (const KVValue* v = named->GetValue(0)) m_frames = manager.FindFrames(v->Text());
  } else if (const KVNode* inlineFrames = node->GetChild(0, u"ANIMATION_FRAME")) {
    auto frames = std::make_unique<AnimationFrames>(inlineFrames, archive, manager.GetTexturDefCache());
    m_frames = frames.get();
    manager.AddFrames(std::move(frames));
  }

  const int32_t n = m_frames ? m_frames->GetCount() : 0;
  m_frameLimit = n;
  if (const KVNode* order = node->GetChild(0, u"FRAMES")) {
    for (unsigned i = 0; i < order->GetValueCount(); ++i) m_frameOrder.push_back(order->GetValue(i)->AsInt());
  } else {
    for (int32_t i = 0; i < n; ++i) m_frameOrder.push_back(i);
  }
  node->Read(u"MAXFRAMES", m_frameLimit);

  if (const KVNode* start = node->GetChild(0, u"STARTFRAME")) {
    if (const KVValue* first = start->GetValue(0)) m_startFrame.fill(first->AsInt());
    if (const KVValue* second = start->GetValue(1)) {
      m_startFrame[2] = second->AsInt();
      DrawStartFrame();
    }
  }
  node->Read(u"INVERT", m_invert);
  node->Read(u"SPEED", m_speed);
  std::u16string playType;
  if (node->Read(u"PLAY_TYP", playType))
    m_playType = playType == u"FORWARD_BACKWARD" ? kForwardBackward : playType == u"CLAMP" ? kClamp : kLoop;
}

void Animation::DrawStartFrame() {
  const double r = platform::RandFraction();
  m_startFrame[0] =
      platform::TruncToInt(r * double(int64_t(m_startFrame[2]) - m_startFrame[1]) + m_startFrame[1]);
}

std::unique_ptr<Animation> Animation::Clone() const {
  std::unique_ptr<Animation> copy(new Animation(*this));
  // Every clone draws, a single-valued start frame too (minimum equals maximum, so the draw
  // gives that value again). The draw count of a clone thus never depends on the data, and
  // the random sequence of a generated world stays the same when a start frame is widened.
  copy->DrawStartFrame();
  return copy;
}

const AnimationFrame* Animation::GetCurrentFrame() const {
  const int32_t n = int32_t(m_frameOrder.size());
  // Without any entry there is nothing to show (the inverted index would be -1).
  if (n == 0 || !m_frames) return nullptr;
  const int32_t index =
      m_invert ? platform::TruncToInt(double(n - 1) - m_position) : platform::TruncToInt(m_position);
  if (index < 0 || index >= n) return nullptr;
  return m_frames->GetFrame(m_frameOrder[size_t(index)]);
}

float Animation::GetProgress() const {
  if (m_frameOrder.empty()) return 0.0f;
  return float(m_position / double(m_frameOrder.size()));
}

void Animation::Restart(int32_t how) {
  m_position = how < 0 ? 0.0 : double(m_startFrame[0]);
  m_backward = false;
  m_framesPlayed = 0.0;
}

void Animation::SetPosition(double fraction) {
  if (fraction < 0.0) {
    Restart(-1);
    return;
  }
  const double last = double(int64_t(m_frameOrder.size()) - 1);
  m_position = std::max(0.0, std::min(last, last * fraction));
  m_backward = false;
  m_framesPlayed = 0.0;
}
