// Fingerprints of built worlds: 64-bit FNV-1a over a layer's pixels in world row order with
// its rectangle, depth, parallax and decorations, and over a world's layers in group order.
// The same level and seed must give the same fingerprints on every run and every machine.
#pragma once

#include <cstdint>

class Landschaft;
class Welt;

uint64_t LayerHash(const Landschaft& layer);
// The world rectangle, then every background, game and foreground layer's hash.
uint64_t WorldHash(const Welt& world);
