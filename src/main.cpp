// Entry point: start up, paint the background, then play frames until Escape.
#include "game.h"
#include "platform.h"
#include "video.h"

#include <cstdlib>

int main(int, char**)
{
    enter_game_directory();
    attach_closed_streams();
    open_frame_output();
    game_startup();
    paint_background();
    for (;;) {
        build_frame();
        present_frame();
        if (apply_controls(read_controls())) {
            std::exit(0);
        }
    }
}
