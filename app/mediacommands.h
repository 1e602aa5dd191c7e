#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Every command the player sends about its medium, spelt out in one place.
// The player has one medium at a time, opened under the alias "z"; the
// commands reach the media layer through mediachannel.h, which logs the
// ones that fail. Commands return whether the media layer accepted them;
// queries return its reply ("" on failure).
namespace mediacommands {

// What the player calls its medium in every command.
inline constexpr std::string_view kAlias = "z";

// Status items the player reads.
inline constexpr std::string_view kLength = "length";
inline constexpr std::string_view kPosition = "position";
inline constexpr std::string_view kMode = "mode"; // "playing", "stopped", ...
inline constexpr std::string_view kSpeed = "speed";
inline constexpr std::string_view kTempo = "tempo";                 // MIDI
inline constexpr std::string_view kFrameRate = "frame rate";        // video, in thousandths
inline constexpr std::string_view kSamplesPerSec = "samplespersec"; // the rest: audio
inline constexpr std::string_view kBytesPerSec = "bytespersec";
inline constexpr std::string_view kBitsPerSample = "bitspersample";
inline constexpr std::string_view kChannels = "channels";

// Capability items the player reads.
inline constexpr std::string_view kHasVideo = "has video";
inline constexpr std::string_view kDeviceType = "device type";

// The device types the player tells apart.
inline constexpr std::string_view kDigitalVideo = "digitalvideo";
inline constexpr std::string_view kWaveAudio = "waveaudio";
inline constexpr std::string_view kSequencer = "sequencer";

// Replies to a mode query the player acts on.
inline constexpr std::string_view kPlaying = "playing";
inline constexpr std::string_view kStopped = "stopped";

bool closeAll();
// Starts opening the file as the medium; the media layer's notify handler
// hears when it is open (see mcisession.h).
bool open(const std::string& path);
bool play();
bool stop();
// To a position in the current time format (frames for video, milliseconds otherwise).
bool seekTo(int position);
// Wave and MIDI devices count in milliseconds only and refuse; that is
// expected, so their refusal is not a warning.
bool useFrameTimeFormat();

// The video panel, by its handle in the media layer's registry: where the
// device draws, and asking it to draw the current frame there again.
bool setWindow(uint64_t handle);
bool redraw(uint64_t handle);
// The size the device renders its frames at.
bool putDestination(int width, int height);

std::string status(std::string_view item);
// A status item read as a number (see ReadNumber: "" reads 0, anything
// else that is not a number throws EConvertError).
int statusNumber(std::string_view item);
std::string capability(std::string_view item);
// "x y width height" of the picture as recorded.
std::string sourceRect();

} // namespace mediacommands
