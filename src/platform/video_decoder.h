// What the intro player and its decoder module share. The decoder lives in a module of its
// own (krumbolt-video.so beside the program) so that the video libraries and their long chain
// of dependencies are loaded only while a video plays, not on every start.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr int32_t kVideoDecoderVersion = 1;

extern "C" {

struct VideoDecoderApi {
  int32_t version;  // kVideoDecoderVersion of the module's build
  // Opens a video file; null when it is missing or holds no video stream this decoder plays.
  // The picture's size is 1 to 8192 pixels each way.
  void* (*open)(const char* path, int32_t* width, int32_t* height);
  // Decodes the next picture into `bgra` (width * height pixels of 4 bytes, rows packed):
  // 1 with its time from the start in seconds (negative when unknown), 0 at the end of the
  // stream, -1 on an error.
  int32_t (*next)(void* decoder, uint8_t* bgra, double* seconds);
  void (*close)(void* decoder);
};

// The module's one entry point, looked up by this name.
typedef const VideoDecoderApi* (*VideoDecoderEntry)();
inline constexpr const char* kVideoDecoderEntryName = "KrumboltVideoDecoder";
inline constexpr const char* kVideoDecoderModuleName = "krumbolt-video.so";

}  // extern "C"

}  // namespace platform
