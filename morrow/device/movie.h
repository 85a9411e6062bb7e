// Movies playing into graphs, as graph loading sees them: a file that no image loader accepts is
// opened as a movie whose frames fill a new graph.
#pragma once

namespace morrow {

// A movie handle with the frame size in width and height, or -1 when the file is no movie.
int OpenMovieToGraph(const char* path, int* width, int* height, int option);
// 1 when the movie shows through a display overlay (its graph is then never a texture).
int IsMovieOnOverlay(int movie);
int CloseMovie(int movie);
// The movie's display surfaces made again when they were lost. 0 / -1.
int RestoreMovieSurfaces(int movie);

}  // namespace morrow
