// Preloaded into the running game, it notes the wall clock (from the moment the program was
// loaded) and the process's CPU time at every buffer swap, and writes them to the file
// named by FRAMEPROBE_OUT when the program ends: one line per swap, "seconds cpu_seconds",
// then "scene N": the first swap after the main loop first waited (loading screens never
// wait), i.e. the scene's first frame; -1 when the loop never waited.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

enum { kMaxSwaps = 1 << 16 };
static double g_start;
static double g_wall[kMaxSwaps];
static double g_cpu[kMaxSwaps];
static int g_count;
static int g_scene = -1;

static double Now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static double Cpu(void) {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return (double)u.ru_utime.tv_sec + (double)u.ru_utime.tv_usec * 1e-6 + (double)u.ru_stime.tv_sec +
         (double)u.ru_stime.tv_usec * 1e-6;
}

__attribute__((constructor)) static void Begin(void) { g_start = Now(); }

__attribute__((destructor)) static void Finish(void) {
  const char* path = getenv("FRAMEPROBE_OUT");
  // Only the program that swapped writes: helpers started beside it leave the file alone.
  FILE* f = path && g_count > 0 ? fopen(path, "w") : NULL;
  if (!f) return;
  for (int i = 0; i < g_count; ++i) fprintf(f, "%.6f %.6f\n", g_wall[i], g_cpu[i]);
  fprintf(f, "scene %d\n", g_scene);
  fclose(f);
}

void SDL_GL_SwapWindow(void* window) {
  static void (*next)(void*);
  if (!next) next = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  next(window);
  if (g_count < kMaxSwaps) {
    g_wall[g_count] = Now() - g_start;
    g_cpu[g_count] = Cpu();
    ++g_count;
  }
}

int SDL_WaitEventTimeout(void* event, int timeout) {
  static int (*next)(void*, int);
  if (!next) next = (int (*)(void*, int))dlsym(RTLD_NEXT, "SDL_WaitEventTimeout");
  if (g_scene < 0) g_scene = g_count;
  return next(event, timeout);
}
