#pragma once
// GStreamer's side of the start-up checks, and what the engine's parts share of
// GStreamer: its one initialisation and its list of plugins.

#include <functional>

// Initialises GStreamer once; false when it cannot be initialised.
bool ensureGStreamer();

// Whether the program told GStreamer to skip looking at its plugin files (see
// skipPluginScanWhileCurrent()). Once GStreamer is initialised the files are
// looked at again, as GStreamer always does, by later refreshes and by every
// program started from this one. Set as the engine loads, before GStreamer is.
void setPluginScanSkipped(bool skipped);

// Looks at the plugin files and brings the list of plugins up to date, once per
// process; later calls return at once. True when GStreamer is initialised.
bool refreshPluginList();

// What present() tells, asked a second time after refreshPluginList() when the
// first answer is no: what a check misses may have been installed in a way the
// folders do not show. For the start-up checks: GStreamer's list must not change
// while a pipeline runs or an element is made.
bool presentOrRefreshed(const std::function<bool()> &present);

// True when GStreamer can make the named element.
bool hasGstElement(const char *name);

// The name of PulseAudio's device provider, which PipeWire's pipewire-pulse
// serves too.
inline constexpr const char *kPulseDeviceProvider = "pulsedeviceprovider";

// The device provider factories that offer devices of the given classes
// ("Audio/Sink", "Audio/Source"), PulseAudio's first, the player's sound going
// through it, then the others by rank; never a video card's. Free the list with
// gst_plugin_feature_list_free().
struct _GList *deviceProvidersPulseFirst(const char *classes);

// What the provider of this factory lists now: a new reference to each device
// (free the list with g_list_free_full(list, gst_object_unref)), and through
// `hidden`, when given, the names of the providers it hides (free with
// g_strfreev()); nullptr when the provider cannot be made. Asking the sound
// server takes some milliseconds, and at start the sound output check and the
// recorder's device list and format probe ask right after each other: a
// provider is asked again once its answer is two seconds old, or when it listed
// nothing, and until then every caller gets that answer.
struct _GList *providerDevices(struct _GstDeviceProviderFactory *factory, char ***hidden = nullptr);

// The playback engine is there: playbin, an HTTP source and an MP3 decoder.
bool probeMediaPlayer();
// At least one sound output device exists.
bool probeSoundOutput();
