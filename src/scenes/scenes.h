#pragma once
// The show's scenes, one per value of the scene track. The frame driver calls
// the one the track names every frame; scenes keep their own state for the
// whole run and are never told that they start or end.
#include <cstdint>

// Scene 0: the jelly robot in the block city; part picks the shot (0-2),
// t drives the camera and the robot, v the tear (shots 0, 2) or the lens (shot 1).
void scene_robot_city(int32_t elapsed_ms, int32_t part, float t, float v);
// Scene 1: stars streaming out of the centre; part 1 adds the saucer, trail is
// the streak length in pixels (at least 1).
void scene_star_warp(int32_t elapsed_ms, int32_t part, float t, int32_t trail);
// Scene 2: the whole frame in a new random colour every frame.
void scene_colour_flash();
// Scene 3: the saucer over the city; part picks the shot (0-1), v is unused.
void scene_saucer_city(int32_t elapsed_ms, int32_t part, float t, float v);
// Scene 4: colour bands bent by the music's loudest frequency.
void scene_spectrum_wave();
// The end scene: the logo stamped over the last frame while it dissolves.
void scene_end_logo(float t);
