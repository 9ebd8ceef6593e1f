// Where the readers of the object data files look things up at start-up, and a list of
// sounds with cumulative weights from which one is picked at random when something happens
// (a gate sends an object on, a force field is made, hit or ends).
#pragma once

#include <string_view>
#include <vector>

class APISound;
class AnimationManager;
class DataArchive;
class KVNode;
class PartikelListe;
class SearchPath;
class SoundSet;

struct LoadSources {
  // Particle types by name.
  const PartikelListe* particles = nullptr;
  // Animations are made as new copies from here; without it there are none.
  const AnimationManager* animations = nullptr;
  // Sounds are found or made in its cache and played through it; without it all is silent.
  APISound* sound = nullptr;
  const DataArchive* archive = nullptr;
};

class SoundChoice {
 public:
  // Every value of `soundsKey` names a sound, found or made over the search path; at most
  // one weight per sound from `weightsKey`, missing ones 1.0, made cumulative. Without a
  // sound manager the names are skipped.
  void Read(const KVNode& node, std::u16string_view soundsKey, std::u16string_view weightsKey,
            const SearchPath& searchPath, const LoadSources& sources);
  // The first sound whose cumulative weight reaches rand() / 32767; null with no sounds.
  SoundSet* Pick() const;
  // A picked sound at volume 100; nothing without a sound manager or a sound.
  void Play(APISound* sound) const;

  const std::vector<SoundSet*>& Sounds() const { return m_sounds; }
  const std::vector<double>& Weights() const { return m_weights; }
  void Set(std::vector<SoundSet*> sounds, std::vector<double> cumulativeWeights) {
    m_sounds = std::move(sounds);
    m_weights = std::move(cumulativeWeights);
  }

 private:
  std::vector<SoundSet*> m_sounds;
  std::vector<double> m_weights;
};
