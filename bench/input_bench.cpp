// The input manager's per-frame update (keyboard edges, mouse, controllers, dispatch),
// against reading the 256 key bytes alone.
#include <benchmark/benchmark.h>

#include "engine/apiinput.h"

namespace {

struct Host : InputHost {
  int32_t x = 0;
  void GetCursor(int32_t& cx, int32_t& cy) override {
    x = (x + 7) % 1024;
    cx = x;
    cy = 300;
  }
  void GetDisplaySize(int32_t& w, int32_t& h) override {
    w = 1024;
    h = 768;
  }
  bool IsFullScreen() override { return false; }
  void SetFocusPause(bool) override {}
  void ToggleFullScreen() override {}
};

struct Listener : MyControl {
  int calls = 0;
  void OnKeyHeld(const InputState*) override { ++calls; }
  void OnMouseMove(const InputState*) override { ++calls; }
};

void BM_ReadKeysBaseline(benchmark::State& state) {
  platform::ScriptedInputDevice devices;
  devices.SetKey(0x1E, true);
  uint8_t keys[256];
  for (auto _ : state) {
    devices.ReadKeyboard(keys);
    benchmark::DoNotOptimize(keys);
  }
}
BENCHMARK(BM_ReadKeysBaseline);

void BM_InputUpdate(benchmark::State& state) {
  Host host;
  auto devices = std::make_unique<platform::ScriptedInputDevice>();
  auto* keys = devices.get();
  keys->AddJoystick();
  APIInput input(&host);
  input.Init(std::move(devices));
  std::vector<Listener> listeners(size_t(state.range(0)));
  for (auto& l : listeners) input.RegisterControl(&l, true);
  keys->SetKey(0x1E, true);
  keys->SetKey(0xCB, true);
  platform::InputEvent move;
  int frame = 0;
  for (auto _ : state) {
    keys->SetKey(0x39, (++frame & 8) != 0);
    input.Process(move);
    input.Update();
  }
  benchmark::DoNotOptimize(listeners.data());
}
BENCHMARK(BM_InputUpdate)->Arg(0)->Arg(2)->Arg(8);

}  // namespace
