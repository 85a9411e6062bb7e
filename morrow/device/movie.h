// Movies playing into graphs. A file that no image loader accepts is opened as a movie: a media
// stream (platform/media/media_stream.h) whose frames land in a display surface, the sample
// surface. Each draw of the movie's graph copies the newest frame into the graph's pixels, at
// most one frame per presented frame. The window procedure pauses and resumes every movie with
// the application's activation; a display change releases every stream, and the graphics
// rebuild opens them again at the time they had.
//
// Movie handles are of kind 0x18000000 in a table of 100 slots. A graph names its movie in the
// movie-handle field of its record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "morrow/device/color_format.h"
#include "morrow/system/rect.h"
#include "platform/display.h"
#include "platform/media/media_stream.h"

namespace morrow {

struct GraphRecord;

// One per open movie.
struct MovieRecord {
  uint32_t checkNumber = 0;
  Rect frameRect{};  // the sample's rectangle inside its surface
  std::unique_ptr<platform::MediaStream> multiMediaStream;
  std::unique_ptr<platform::VideoStream> videoStream;
  std::unique_ptr<platform::StreamSample> sample;
  // Each holds one reference of the sample's surface: surface7 in overlay mode, surface4 in the
  // others. A released movie has neither.
  std::shared_ptr<platform::Surface> sampleSurface;
  std::shared_ptr<platform::Surface> surface7;
  std::shared_ptr<platform::Surface> surface4;
  int64_t timePerFrame = 0;     // stream time of one frame (100 ns units)
  int64_t lastSampleTime = -1;  // stream time of the last copied frame, -1 none
  int64_t startTimeUs = 0;      // microsecond clock at opening
  int64_t lastCopyFlipCount = -1;
  int32_t lastCopyMs = -1;
  ColorFormat frameFormat{};  // of the sample surface
  int64_t duration = 0;
  uint32_t systemMemory = 0;  // the sample surface lies in system memory
  int32_t width = 0;          // frame size
  int32_t height = 0;
  uint32_t playing = 0;
  int32_t surfaceMode = 0;  // 0 the stream's own surface, 1 overlay, 2 24-bit system memory
  int64_t position = 0;     // stream time kept while released
  std::string path;         // for reopening; any length
  std::unique_ptr<platform::StreamEvent> updateEvent;
  uint32_t updatePending = 0;
};

// A movie handle with the frame size in width and height (either may be null), or -1: a full
// table (no log line), or a file that is no movie ("ムービーファイルオープン処理時にエラーが
// 発生しました" after the failed step's own line). option is the surface mode wished.
int OpenMovieToGraph(const char* path, int* width, int* height, int option);
// The stream of a record opened on path: 0, or -1 with the failed step's line and every object
// obtained released. width and height may be null.
int OpenMovieStream(platform::Display* display, MovieRecord* movie, const char* path, int* width,
                    int* height, int surfaceMode);
MovieRecord* GetMovieRecord(int movieHandle);
// Closes the movie of a graph. 0 when the graph has none; -1 for a bad graph or movie handle.
int CloseMovieGraph(int graphHandle);
// Closes a movie by its handle (the graph loader's clean-up). 0 / -1.
int CloseMovie(int movieHandle);
// 0 / -1 by the checks of CloseMovieGraph.
int PlayGraphMovie(int graphHandle);
int PauseGraphMovie(int graphHandle);
// Every graph that names a movie. 0.
int PlayAllMovies();
int PauseAllMovies();
// Every stream released, its time kept. 0.
int ReleaseAllMovies();
// Every released movie opened again at its time, running again when it played. -1 at the first
// that does not open.
int ReopenAllMovies();
// Before a graph with a movie is drawn: the newest frame into its pixels when one is due. 0 / -1.
int UpdateMovieFrame(int graphHandle);
// The sample surface into the graph's one 2D piece. A lock that fails is fatal. 0 / -1.
int CopyMovieFrameToGraph(MovieRecord* movie, GraphRecord* graph);
// 1 when the movie shows through a display overlay (its graph is then never a texture).
int IsMovieOnOverlay(int movieHandle);
// The movie's sample surface made again when it was lost. 0 / -1.
int RestoreMovieSurfaces(int movieHandle);
// Frame copies made into graphs since the library started (tools and tests count them).
uint64_t GetMovieFrameCopyCount();

// Shows (show 1) or hides a movie's overlay at (x, y) enlarged factor times, clipped to the draw
// area. 0.
int DrawImageScaled(int x, int y, int factor, MovieRecord* movie, int show);
// The rectangles DrawImageScaled hands the overlay: dest (x, y, x + factor * width, y + factor *
// height) clipped to area, src cut by the same amounts divided by factor; dest then moved by
// the client origin, both trimmed to the alignment rules of caps. False when nothing shows.
bool PlaceOverlay(int x, int y, int factor, int width, int height, const Rect& area, int originX,
                  int originY, const platform::DisplayCaps& caps, Rect* src, Rect* dest);

}  // namespace morrow
