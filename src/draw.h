// Scene drawing: entities, the lives row, health bars (where the player's death
// is handled) and the game's own cursor.
#pragma once

#include "entities/entities.h"

void draw_entity(Entity* e, int frame);
void draw_entities();
void draw_lives();
void cursor_init();
void draw_cursor();
void draw_health_bars();
