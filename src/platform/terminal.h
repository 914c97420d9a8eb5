#pragma once
// Owning the user's terminal for the length of the show: raw keys, the
// alternate screen, hidden cursor, title, the 80 x 50 size request and held
// messages on the way in; all of it undone on every way out, including
// signals. Ctrl+Z leaves the terminal as it was found and SIGCONT takes it
// again with a full redraw.

// Whether standard output is a terminal, as it was before the show took it.
bool term_output_is_tty();

// Takes the terminal, asking for cols x rows cells (0 x 0: as it is). False (nothing changed)
// when standard output is not a terminal.
bool term_enter(int cols, int rows);
// Gives it back; idempotent and safe in signal handlers.
void term_leave();
bool term_active();

// Title shown while the show owns the terminal; the previous one is restored.
void term_set_title(const char* title);

// Current size in cells; 0 x 0 when it cannot be told.
void term_size(int* cols, int* rows);
// Cell height over width: from TIOCGWINSZ's pixel size where the terminal
// fills it in, else from its answer to the cell-size request; 0 when neither
// told (or told something absurd).
float term_cell_aspect();
// The answer to the cell-size request, in pixels, as the key reader found it.
// A new shape makes the next frame re-fit and redraw.
void term_note_cell_size(int width, int height);
// True once after anything made the screen contents unknown (resize, resume).
bool term_take_redraw();
// Readable once such a signal arrived, so that a sleep can wake for it;
// -1 before the terminal was first taken. term_drain_wake empties it.
int term_wake_fd();
void term_drain_wake();

// Writes a whole frame to the terminal; returns the bytes written (fewer when
// it was cut) or -1 when the show does not own the terminal. A terminal that
// is gone for good ends the program: restored as far as it can be, one line
// on standard error, exit status 1.
long term_write(const char* bytes, unsigned long count);

// Cell height over width from a terminal's pixel and cell counts, or 0 when
// they are missing or absurd (a shape outside 1:4 .. 8:1).
float term_cell_aspect(int pixel_w, int pixel_h, int cols, int rows);
