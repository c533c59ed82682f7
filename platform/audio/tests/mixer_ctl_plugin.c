/* A sound card's mixer for tests: "Mic" and "Line" with a playback switch, a capture switch and a
 * capture volume (0..31), their values kept in the file "state" names so that every open sees
 * what the last one wrote. */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <stdio.h>
#include <string.h>
#include <sys/eventfd.h>
#include <unistd.h>

enum { kElems = 6 };
static const struct {
  const char *name;
  int boolean;
  long max;
} elems[kElems] = {{"Mic Playback Switch", 1, 1}, {"Mic Capture Switch", 1, 1},  {"Mic Capture Volume", 0, 31},
                   {"Line Playback Switch", 1, 1}, {"Line Capture Switch", 1, 1}, {"Line Capture Volume", 0, 31}};

typedef struct {
  snd_ctl_ext_t ext;
  char state[4096];
  long values[kElems];
} mixer_t;

static void load(mixer_t *m) {
  static const long defaults[kElems] = {1, 1, 20, 1, 0, 20};
  memcpy(m->values, defaults, sizeof defaults);
  FILE *f = fopen(m->state, "r");
  if (!f) return;
  for (int i = 0; i < kElems; ++i)
    if (fscanf(f, "%ld", &m->values[i]) != 1) break;
  fclose(f);
}

static void save(mixer_t *m) {
  FILE *f = fopen(m->state, "w");
  if (!f) return;
  for (int i = 0; i < kElems; ++i) fprintf(f, "%ld\n", m->values[i]);
  fclose(f);
}

static void mixer_close(snd_ctl_ext_t *ext) {
  mixer_t *m = ext->private_data;
  close(ext->poll_fd);
  free(m);
}

static int elem_count(snd_ctl_ext_t *ext) {
  (void)ext;
  return kElems;
}

static int elem_list(snd_ctl_ext_t *ext, unsigned int offset, snd_ctl_elem_id_t *id) {
  (void)ext;
  if (offset >= kElems) return -EINVAL;
  snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_id_set_name(id, elems[offset].name);
  return 0;
}

static snd_ctl_ext_key_t find_elem(snd_ctl_ext_t *ext, const snd_ctl_elem_id_t *id) {
  (void)ext;
  for (int i = 0; i < kElems; ++i)
    if (!strcmp(snd_ctl_elem_id_get_name(id), elems[i].name)) return (snd_ctl_ext_key_t)i;
  return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int get_attribute(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, int *type, unsigned int *acc,
                         unsigned int *count) {
  (void)ext;
  *type = elems[key].boolean ? SND_CTL_ELEM_TYPE_BOOLEAN : SND_CTL_ELEM_TYPE_INTEGER;
  *acc = SND_CTL_EXT_ACCESS_READWRITE;
  *count = 2;
  return 0;
}

static int get_integer_info(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *imin, long *imax, long *istep) {
  (void)ext;
  *imin = 0, *imax = elems[key].max, *istep = 1;
  return 0;
}

static int read_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
  mixer_t *m = ext->private_data;
  value[0] = value[1] = m->values[key];
  return 0;
}

static int write_integer(snd_ctl_ext_t *ext, snd_ctl_ext_key_t key, long *value) {
  mixer_t *m = ext->private_data;
  const int changed = m->values[key] != value[0];
  m->values[key] = value[0];
  save(m);
  return changed;
}

static int read_event(snd_ctl_ext_t *ext, snd_ctl_elem_id_t *id, unsigned int *event_mask) {
  (void)ext, (void)id, (void)event_mask;
  return -EAGAIN;
}

static const snd_ctl_ext_callback_t mixer_callbacks = {
    .close = mixer_close,
    .elem_count = elem_count,
    .elem_list = elem_list,
    .find_elem = find_elem,
    .get_attribute = get_attribute,
    .get_integer_info = get_integer_info,
    .read_integer = read_integer,
    .write_integer = write_integer,
    .read_event = read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(vidarromixer) {
  snd_config_iterator_t i, next;
  const char *state = NULL;
  (void)root;
  snd_config_for_each(i, next, conf) {
    snd_config_t *n = snd_config_iterator_entry(i);
    const char *id;
    if (snd_config_get_id(n, &id) < 0) continue;
    if (!strcmp(id, "comment") || !strcmp(id, "type") || !strcmp(id, "hint")) continue;
    if (!strcmp(id, "state") && snd_config_get_string(n, &state) == 0) continue;
    SNDERR("Unknown field %s", id);
    return -EINVAL;
  }
  if (!state) return -EINVAL;
  mixer_t *m = calloc(1, sizeof *m);
  if (!m) return -ENOMEM;
  snprintf(m->state, sizeof m->state, "%s", state);
  load(m);
  m->ext.version = SND_CTL_EXT_VERSION;
  m->ext.card_idx = -1;
  strcpy(m->ext.id, "VidarroMixer");
  strcpy(m->ext.driver, "vidarro");
  strcpy(m->ext.name, "Vidarro Test Mixer");
  strcpy(m->ext.longname, "Vidarro Test Mixer");
  strcpy(m->ext.mixername, "Vidarro Test Mixer");
  m->ext.poll_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  m->ext.callback = &mixer_callbacks;
  m->ext.private_data = m;
  int err = snd_ctl_ext_create(&m->ext, name, mode);
  if (err < 0) {
    close(m->ext.poll_fd);
    free(m);
    return err;
  }
  *handlep = m->ext.handle;
  return 0;
}

SND_CTL_PLUGIN_SYMBOL(vidarromixer);
