// The level's sounds and channels: loading, the per-tick volume step, playback
// helpers and release at teardown.
#pragma once

#include "app/game.h"

namespace ifold {

// Loads the level's sounds and creates its channels. Not built yet: the level
// plays silently and every helper below skips a channel or sound that is 0.
void load_sound_bank(Game& g);
// Loads the level's music track. Not built yet (music_loaded stays 0).
void load_level_music(Game& g);

// Volume keys (= and -, both volumes together, clamped 0..100, not saved) and
// the volume of every level channel.
void volume_step(Game& g);

// Plays a sound on a fixed channel, replacing what it played.
void play_on(eng::SoundHandle sound, eng::ChannelHandle channel);
void pause_channel(eng::ChannelHandle channel);
void resume_channel(eng::ChannelHandle channel);

// Stops and frees every sound and channel of the level; music_loaded = 0.
void release_sound_bank(Game& g);

}  // namespace ifold
