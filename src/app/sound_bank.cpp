#include "app/sound_bank.h"

#include <algorithm>

namespace ifold {

void load_sound_bank(Game& g) { (void)g; }

void load_level_music(Game& g) { (void)g; }

void play_on(eng::SoundHandle sound, eng::ChannelHandle channel) {
  if (sound && channel) eng::PlaySound(sound, channel);
}

void pause_channel(eng::ChannelHandle channel) {
  if (channel) eng::PauseChannel(channel);
}

void resume_channel(eng::ChannelHandle channel) {
  if (channel) eng::ResumeChannel(channel);
}

void volume_step(Game& g) {
  if (eng::KeyHit(eng::KEY_PLUS)) {
    g.sound_volume += 10;
    g.music_volume += 10;
  }
  if (eng::KeyHit(eng::KEY_MINUS)) {
    g.sound_volume -= 10;
    g.music_volume -= 10;
  }
  g.sound_volume = std::clamp(g.sound_volume, 0, 100);
  g.music_volume = std::clamp(g.music_volume, 0, 100);
  const float s = g.sound_volume / 100.0f;
  const float m = g.music_volume / 100.0f;
  const struct {
    eng::ChannelHandle ch;
    float volume;
  } table[] = {{g.p1_engine_channel, 0.8f * s}, {g.p2_engine_channel, 0.8f * s},
               {g.rumble_channel, s},           {g.fire_channel, 0.9f * s},
               {g.enemy_fire_channel, 0.9f * s}, {g.impact_channel, s},
               {g.blast_channel, s},            {g.hit_channel, s},
               {g.bonus_channel, 0.9f * s},     {g.level_music_channel, m}};
  for (const auto& row : table)
    if (row.ch) eng::ChannelVolume(row.ch, row.volume);
}

void release_sound_bank(Game& g) {
  for (eng::ChannelHandle* ch :
       {&g.p1_engine_channel, &g.p2_engine_channel, &g.rumble_channel, &g.fire_channel,
        &g.enemy_fire_channel, &g.impact_channel, &g.blast_channel, &g.hit_channel,
        &g.bonus_channel, &g.level_music_channel}) {
    if (*ch) eng::StopChannel(*ch);
    *ch = 0;
  }
  for (eng::SoundHandle* s : {&g.engine_sound, &g.shot_sound, &g.enemy_shot_sound,
                              &g.blast_sound, &g.pickup_sound, &g.bonus_sound, &g.impact_sound,
                              &g.armour_sound, &g.air_sound, &g.freeze_sound, &g.rumble_sound,
                              &g.music_sound}) {
    if (*s) eng::FreeSound(*s);
    *s = 0;
  }
  g.music_loaded = 0;
}

}  // namespace ifold
