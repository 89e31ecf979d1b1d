// The standard streams: none left closed for a later file to take, and a
// per-frame line that never waits for its reader.
#pragma once

// First thing at start-up, before anything opens a file.
void attach_closed_streams();
// Next, once the streams are attached: when standard output is a pipe, the
// per-frame line goes through the game's own non-blocking way into it.
void open_frame_output();
// Writes "Ticks passed this frame: N" when standard output can take it at once;
// otherwise that frame's line is dropped.
void write_frame_line(int ticks);
