// Full-screen video playback (the intro): a decoder module loaded for the time of the video
// decodes it, each frame is drawn letterboxed through a graphics device; Escape stops it, the
// end of the file ends it.
#pragma once

#include <functional>
#include <string>

namespace platform {

class GraphicsDevice;
class Window;

enum class VideoResult {
  Finished,  // played to the end
  Stopped,   // Escape, or the program was asked to quit (the quit message stays queued)
  Failed,    // missing or unplayable file, or no decoder module (said on stderr)
};

struct VideoOptions {
  // Without a window the player opens a full-screen window of its own for the time of the
  // video. With one, it draws into that window through `device` (or a device of its own).
  Window* window = nullptr;
  GraphicsDevice* device = nullptr;
  // The decoder module; empty: krumbolt-video.so in the program's own folder.
  std::string decoderModule;
  // Called after each frame has been presented, with the device that drew it (tests).
  std::function<void(int frameIndex, GraphicsDevice& device)> onFrame;
};

VideoResult PlayVideoFullscreen(const std::string& osPath, const VideoOptions& options = {});

}  // namespace platform
