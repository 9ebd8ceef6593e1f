// The display manager: reads the "Display" section, offers the display modes, creates the
// graphics device for the main window, owns the sprite renderer, keeps the registry of
// device-dependent objects (ResetObjekt) and runs the reset protocol on mode changes and
// when the device asks for it. Writes "Display" back at shutdown.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/gfxtypes.h"
#include "platform/effect.h"
#include "platform/graphics.h"
#include "platform/texture.h"
#include "platform/window.h"

class APIContext;
class DataArchive;
class EffectCache;
class FontManager;
class ImageRecordCache;
class KVNode;
class ResetObjekt;
class SpriteRenderer;
class TexturDefCache;

// Pixel formats by their numbers in the configuration and the loaders.
constexpr uint32_t kFormatA8R8G8B8 = 21;
constexpr uint32_t kFormatX8R8G8B8 = 22;

struct DisplayMode {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t refreshRate = 0;
  uint32_t format = 0;
  bool operator==(const DisplayMode& o) const {
    return width == o.width && height == o.height && refreshRate == o.refreshRate && format == o.format;
  }
};

// How the device is to be set up for the current mode.
struct PresentParameters {
  uint32_t backBufferWidth = 0;
  uint32_t backBufferHeight = 0;
  uint32_t backBufferFormat = kFormatX8R8G8B8;
  uint32_t backBufferCount = 1;
  uint32_t multiSampleType = 0;
  uint32_t multiSampleQuality = 0;
  uint32_t swapEffect = 1;  // discard
  platform::Window* deviceWindow = nullptr;
  bool windowed = false;
  bool enableAutoDepthStencil = true;
  uint32_t autoDepthStencilFormat = 75;  // 24-bit depth, 8-bit stencil
  uint32_t flags = 0;
  uint32_t fullScreenRefreshRate = 0;
  uint32_t presentationInterval = 0x80000000;  // immediate: never wait for the display
};

// What the manager knows of the display before any window exists.
struct DisplayEnvironment {
  platform::Size desktop{1024, 768};
  platform::Rect workArea{0, 0, 1024, 768};
  platform::FrameMetrics frame;
  uint32_t desktopFormat = kFormatX8R8G8B8;
  // The modes the adapter offers, in enumeration order.
  std::vector<DisplayMode> adapterModes;

  // The platform's display. The back buffer is scaled into the window, so every specified
  // size that fits the desktop is offered as a 60 Hz mode; 1024x768 when none fits.
  static DisplayEnvironment Query();
};

class APIGraphics {
 public:
  static constexpr uint32_t kNoMode = 0xFFFFFFFF;

  // The process-wide manager, made on the first call from the process-wide engine context.
  static APIGraphics* Get();

  // Reads "Display" from the context's configuration, builds the mode list and chooses the
  // mode closest to the wanted one.
  APIGraphics(APIContext& context, DisplayEnvironment display);
  ~APIGraphics();
  APIGraphics(const APIGraphics&) = delete;
  APIGraphics& operator=(const APIGraphics&) = delete;

  // The five sizes, each at one refresh rate: 60 Hz wins, else the highest of 59..31, else
  // the lowest of 61..99; sizes without such a mode are left out. Sorted by width, height.
  static std::vector<DisplayMode> BuildModeList(const std::vector<DisplayMode>& adapterModes);
  // Index in `modes` of the mode closest to `wanted` (the last entry without a wanted mode;
  // the first when every entry is skipped; kNoMode when the list is empty).
  static uint32_t ChooseModeIndex(const std::vector<DisplayMode>& modes, const DisplayMode* wanted,
                                  bool fullscreen, const DisplayEnvironment& display);

  // Tests run on the Null device: no window needed. Call before Create.
  void UseNullDevice(bool useNull) { m_useNullDevice = useNull; }
  // Creates the device for the context's main window, the sprite renderer, then lets the
  // game create its device objects. kResultFail on any failure.
  HResult Create();
  // The reset protocol: every registered object releases, the device resets, every object
  // re-creates. A failed reset clears the context's running flag.
  void Reset();
  // Chooses the mode closest to the arguments, applies it and resets.
  void ChangeMode(uint32_t width, uint32_t height, uint32_t refresh, uint32_t format, bool fullscreen);
  // Switches between window and full screen through the reset path. Called by the shell on
  // Alt+Enter until the input manager takes that key over.
  void ToggleFullscreen();
  // Places and sizes the main window for the current mode.
  void AdjustWindow();
  // Appends "Display" with "Resolution" and "Fullscreen" to root.
  void SaveConfig(KVNode* root) const;
  // Releases the font manager, the sprite renderer and the device (in the order of
  // destruction); the shell calls it before its window goes away.
  void Release();

  void RegisterResetObjekt(ResetObjekt* object);
  void UnregisterResetObjekt(ResetObjekt* object);
  const std::vector<ResetObjekt*>& ResetObjekte() const { return m_resetObjekte; }

  uint32_t GetModeCount() const { return uint32_t(m_modes.size()); }
  DisplayMode GetMode(uint32_t index) const {
    return index < m_modes.size() ? m_modes[index] : DisplayMode{};
  }
  uint32_t FindModeIndex(uint32_t width, uint32_t height, uint32_t refresh, uint32_t format) const;
  uint32_t GetModeIndex() const { return m_modeIndex; }
  const DisplayMode& GetChosenMode() const { return m_mode; }

  // Loads an image file (from the archive when one is given, else from disk) into a
  // texture with a full mip chain, sizes rounded up to powers of two.
  bool LoadTexture(platform::TexturePtr* out, std::u16string_view path, const DataArchive* archive,
                   uint32_t format = kFormatA8R8G8B8);

  // One attempt to load an effect file (from the archive when one is given, else from disk;
  // a leading backslash dropped) and build it on the device. False when the file is missing
  // or the effect cannot be built; the reason goes to stderr.
  bool CreateEffect(std::unique_ptr<platform::Effect>* out, std::u16string_view path,
                    const DataArchive* archive);

  platform::GraphicsDevice* GetDevice() const { return m_device.get(); }
  uint32_t GetScreenWidth() const { return m_screenWidth; }
  uint32_t GetScreenHeight() const { return m_screenHeight; }
  const Rect& GetScreenRect() const { return m_screenRect; }
  bool IsFullscreen() const { return m_fullscreen; }
  // The input manager's Alt+Enter flips the windowed flag here and calls Reset.
  PresentParameters& GetPresentParameters() { return m_presentParameters; }
  SpriteRenderer* GetSpriteRenderer() const { return m_spriteRenderer.get(); }
  EffectCache* GetEffectCache() const { return m_effectCache.get(); }
  // Whole images and sprite-definition parts, loaded once and kept until the manager dies.
  TexturDefCache* GetTexturDefCache() const { return m_texturDefCache.get(); }
  // Image records with their textures and blocks, empty until something stores one.
  ImageRecordCache* GetImageRecordCache() const { return m_imageRecords.get(); }
  // Null until the device exists.
  FontManager* GetFontManager() const { return m_fontManager.get(); }
  APIContext& Context() const { return *m_context; }
  const DisplayEnvironment& Display() const { return m_display; }

 private:
  DisplayMode ChooseMode(const DisplayMode* wanted) const;
  // Stores the mode closest to the wanted one for the current full-screen flag and fills
  // the presentation parameters.
  void ApplyWantedMode();
  void FillPresentParameters();

  uint32_t m_screenWidth = 1024;
  uint32_t m_screenHeight = 768;
  bool m_fullscreen = true;
  Rect m_screenRect;
  std::unique_ptr<platform::GraphicsDevice> m_device;
  PresentParameters m_presentParameters;
  DisplayMode m_mode;
  DisplayMode m_wanted;
  // The image cache joins the sprite renderer, the font manager, the effect cache and the
  // texture definition cache here when its part is built.
  std::unique_ptr<SpriteRenderer> m_spriteRenderer;
  std::unique_ptr<FontManager> m_fontManager;
  std::unique_ptr<EffectCache> m_effectCache;
  std::unique_ptr<TexturDefCache> m_texturDefCache;
  std::unique_ptr<ImageRecordCache> m_imageRecords;
  uint32_t m_modeIndex = kNoMode;
  APIContext* m_context;
  std::vector<ResetObjekt*> m_resetObjekte;
  std::vector<DisplayMode> m_modes;
  DisplayEnvironment m_display;
  bool m_useNullDevice = false;
};
