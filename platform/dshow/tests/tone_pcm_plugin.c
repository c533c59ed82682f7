/* A capture PCM for tests: plays a raw 16-bit file, looped, at its real rate, paced by the
 * monotonic clock as a sound card is. Options beside "file", "rate" and "channels":
 * "stall_at_ms"/"stall_ms" make the reader stall once inside a read, long enough to overrun the
 * small buffer; "fail_at_ms" makes the device vanish (every call fails with ENODEV); "busy 1" makes
 * it a device another program holds; "clock_ppm" makes the card's clock that many millionths fast
 * (negative: slow), as a real card's crystal is: it gives that many more samples a second than its
 * rate says. */
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <errno.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

typedef struct {
  snd_pcm_ioplug_t io;
  int16_t *samples;
  size_t frames;
  unsigned rate, channels;
  long stall_at_ms, stall_ms, fail_at_ms, clock_ppm;
  struct timespec origin, start;
  int have_origin, stalled, failed, running;
  snd_pcm_uframes_t consumed;
  long long run_offset;
} tone_t;

static long long ms_between(const struct timespec *a, const struct timespec *b) {
  return (b->tv_sec - a->tv_sec) * 1000LL + (b->tv_nsec - a->tv_nsec) / 1000000LL;
}

static struct timespec now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

static long long elapsed_frames(tone_t *t) {
  struct timespec n = now();
  long long us = (n.tv_sec - t->start.tv_sec) * 1000000LL + (n.tv_nsec - t->start.tv_nsec) / 1000;
  long long frames = us * t->rate / 1000000LL;
  return frames + frames * t->clock_ppm / 1000000LL;
}

static int check_failed(tone_t *t) {
  if (!t->failed && t->fail_at_ms > 0 && t->have_origin) {
    struct timespec n = now();
    if (ms_between(&t->origin, &n) >= t->fail_at_ms) t->failed = 1;
  }
  return t->failed;
}

static void arm(tone_t *t, int on) {
  struct itimerspec spec;
  memset(&spec, 0, sizeof spec);
  if (on) {
    long ns = (long)(t->io.period_size * 1000000000ULL / t->rate);
    spec.it_interval.tv_nsec = spec.it_value.tv_nsec = ns > 0 ? ns : 1000000;
  }
  timerfd_settime(t->io.poll_fd, 0, &spec, NULL);
}

static int tone_start(snd_pcm_ioplug_t *io) {
  tone_t *t = io->private_data;
  if (check_failed(t)) return -ENODEV;
  t->start = now();
  if (!t->have_origin) t->origin = t->start, t->have_origin = 1;
  t->run_offset = ms_between(&t->origin, &t->start) * (long long)t->rate / 1000;
  t->running = 1;
  arm(t, 1);
  return 0;
}

static int tone_stop(snd_pcm_ioplug_t *io) {
  tone_t *t = io->private_data;
  t->running = 0;
  arm(t, 0);
  return 0;
}

static int tone_prepare(snd_pcm_ioplug_t *io) {
  tone_t *t = io->private_data;
  t->consumed = 0;
  return check_failed(t) ? -ENODEV : 0;
}

static snd_pcm_sframes_t tone_pointer(snd_pcm_ioplug_t *io) {
  tone_t *t = io->private_data;
  if (check_failed(t)) return -ENODEV;
  if (!t->running) return (snd_pcm_sframes_t)(t->consumed % io->buffer_size);
  long long total = elapsed_frames(t);
  if (total - (long long)t->consumed >= (long long)io->buffer_size) return -EPIPE;
  return (snd_pcm_sframes_t)(total % (long long)io->buffer_size);
}

static snd_pcm_sframes_t tone_transfer(snd_pcm_ioplug_t *io, const snd_pcm_channel_area_t *areas,
                                       snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
  tone_t *t = io->private_data;
  if (check_failed(t)) return -ENODEV;
  if (t->stall_at_ms > 0 && !t->stalled) {
    struct timespec n = now();
    if (ms_between(&t->origin, &n) >= t->stall_at_ms) {
      struct timespec pause = {t->stall_ms / 1000, (t->stall_ms % 1000) * 1000000L};
      t->stalled = 1;
      nanosleep(&pause, NULL);
    }
  }
  for (snd_pcm_uframes_t i = 0; i < size; ++i) {
    size_t at = (size_t)((t->run_offset + (long long)t->consumed + (long long)i) % (long long)t->frames);
    for (unsigned c = 0; c < t->channels; ++c) {
      char *p = (char *)areas[c].addr + (areas[c].first + (offset + i) * areas[c].step) / 8;
      *(int16_t *)p = t->samples[at * t->channels + c];
    }
  }
  t->consumed += size;
  return (snd_pcm_sframes_t)size;
}

static int tone_revents(snd_pcm_ioplug_t *io, struct pollfd *pfd, unsigned int nfds, unsigned short *revents) {
  tone_t *t = io->private_data;
  uint64_t ticks;
  (void)pfd, (void)nfds;
  while (read(io->poll_fd, &ticks, sizeof ticks) > 0) {
  }
  *revents = (check_failed(t) || !t->running ||
              elapsed_frames(t) - (long long)t->consumed >= (long long)io->period_size)
                 ? POLLIN
                 : 0;
  return 0;
}

static int tone_close(snd_pcm_ioplug_t *io) {
  tone_t *t = io->private_data;
  close(io->poll_fd);
  free(t->samples);
  free(t);
  return 0;
}

static const snd_pcm_ioplug_callback_t tone_callbacks = {
    .start = tone_start,
    .stop = tone_stop,
    .pointer = tone_pointer,
    .transfer = tone_transfer,
    .close = tone_close,
    .prepare = tone_prepare,
    .poll_revents = tone_revents,
};

static int load(tone_t *t, const char *file) {
  FILE *f = fopen(file, "rb");
  if (!f) return -ENOENT;
  fseek(f, 0, SEEK_END);
  long bytes = ftell(f);
  fseek(f, 0, SEEK_SET);
  t->frames = (size_t)bytes / (2 * t->channels);
  t->samples = malloc(t->frames * 2 * t->channels + 2);
  size_t got = t->samples ? fread(t->samples, 2, t->frames * t->channels, f) : 0;
  fclose(f);
  return t->frames > 0 && got == t->frames * t->channels ? 0 : -EINVAL;
}

SND_PCM_PLUGIN_DEFINE_FUNC(vidarrotone) {
  snd_config_iterator_t i, next;
  const char *file = NULL;
  long rate = 48000, channels = 2, stall_at = 0, stall = 0, fail_at = 0, busy = 0, ppm = 0;
  (void)root;
  snd_config_for_each(i, next, conf) {
    snd_config_t *n = snd_config_iterator_entry(i);
    const char *id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "file") && snd_config_get_string(n, &file) == 0) continue;
    if (!strcmp(id, "rate") && snd_config_get_integer(n, &rate) == 0) continue;
    if (!strcmp(id, "channels") && snd_config_get_integer(n, &channels) == 0) continue;
    if (!strcmp(id, "stall_at_ms") && snd_config_get_integer(n, &stall_at) == 0) continue;
    if (!strcmp(id, "stall_ms") && snd_config_get_integer(n, &stall) == 0) continue;
    if (!strcmp(id, "fail_at_ms") && snd_config_get_integer(n, &fail_at) == 0) continue;
    if (!strcmp(id, "busy") && snd_config_get_integer(n, &busy) == 0) continue;
    if (!strcmp(id, "clock_ppm") && snd_config_get_integer(n, &ppm) == 0) continue;
    SNDERR("Unknown field %s", id);
    return -EINVAL;
  }
  if (busy) return -EBUSY;
  if (!file || stream != SND_PCM_STREAM_CAPTURE || rate <= 0 || channels < 1 || channels > 8) return -EINVAL;
  tone_t *t = calloc(1, sizeof *t);
  if (!t) return -ENOMEM;
  t->rate = (unsigned)rate, t->channels = (unsigned)channels;
  t->stall_at_ms = stall_at, t->stall_ms = stall, t->fail_at_ms = fail_at, t->clock_ppm = ppm;
  int err = load(t, file);
  if (err < 0) {
    free(t->samples);
    free(t);
    return err;
  }
  t->io.version = SND_PCM_IOPLUG_VERSION;
  t->io.name = "Vidarro test tone";
  t->io.callback = &tone_callbacks;
  t->io.private_data = t;
  t->io.poll_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  t->io.poll_events = POLLIN;
  err = snd_pcm_ioplug_create(&t->io, name, stream, mode);
  if (err < 0) {
    close(t->io.poll_fd);
    free(t->samples);
    free(t);
    return err;
  }
  unsigned int access = SND_PCM_ACCESS_RW_INTERLEAVED, format = SND_PCM_FORMAT_S16_LE;
  unsigned int bytes_per_frame = 2 * t->channels;
  /* At most half a second: a reader that stalls longer than the buffer it chose overruns. */
  unsigned int buffer_bytes = t->rate / 2 * bytes_per_frame;
  if ((err = snd_pcm_ioplug_set_param_list(&t->io, SND_PCM_IOPLUG_HW_ACCESS, 1, &access)) < 0 ||
      (err = snd_pcm_ioplug_set_param_list(&t->io, SND_PCM_IOPLUG_HW_FORMAT, 1, &format)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&t->io, SND_PCM_IOPLUG_HW_CHANNELS, t->channels, t->channels)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&t->io, SND_PCM_IOPLUG_HW_RATE, t->rate, t->rate)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&t->io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64 * bytes_per_frame,
                                             buffer_bytes / 2)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&t->io, SND_PCM_IOPLUG_HW_BUFFER_BYTES, 128 * bytes_per_frame,
                                             buffer_bytes)) < 0 ||
      (err = snd_pcm_ioplug_set_param_minmax(&t->io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64)) < 0) {
    snd_pcm_ioplug_delete(&t->io);
    return err;
  }
  *pcmp = t->io.pcm;
  return 0;
}

SND_PCM_PLUGIN_SYMBOL(vidarrotone);
