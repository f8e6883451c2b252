// The default playback device, opened by the "Play" command. Nothing is
// ever played: the command only proves the device can be had. At most one
// device is open at a time; it is released with its owner.
#pragma once

class SoundDevice {
public:
    SoundDevice() = default;
    ~SoundDevice();
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the default playback device again (the one held before is
    // released first). false when there is no device; nothing is printed.
    bool open();
    void close();
    bool is_open() const { return m_pcm != nullptr; }
    // How many opens succeeded since construction.
    int opens() const { return m_opens; }

private:
    void* m_pcm = nullptr;   // snd_pcm_t*
    int m_opens = 0;
};
