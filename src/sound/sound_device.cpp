#include "sound/sound_device.h"

#include <alsa/asoundlib.h>

namespace {
// ALSA writes its own diagnostics to stderr when no card is present; a
// missing device is not worth a word to the user.
void silent_alsa(const char*, int, const char*, int, const char*, ...) {}
} // namespace

SoundDevice::~SoundDevice() { close(); }

bool SoundDevice::open()
{
    close();
    snd_lib_error_set_handler(silent_alsa);
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: a device held by another program must not freeze the
    // window.
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 || !pcm) return false;
    m_pcm = pcm;
    ++m_opens;
    return true;
}

void SoundDevice::close()
{
    if (m_pcm) snd_pcm_close(static_cast<snd_pcm_t*>(m_pcm));
    m_pcm = nullptr;
}
