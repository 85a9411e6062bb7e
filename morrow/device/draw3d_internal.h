// The vertex batch as the 3D drawing routines feed it, and the capture methods one by one.
#pragma once

#include <cstdint>
#include <memory>

#include "morrow/device/device3d.h"

namespace morrow {

struct GraphRecord;
struct Surface3DRecord;

// The current device's record when it can draw, else null.
Direct3DDeviceRecord* CurrentRecord();
// The scene ended when every draw must end it (the front screen as the target). 0.
int EndDraw3D();
// The texture of stage 0 (null: none), sent only when it changes, the batch drawn first.
void SetTexture3D(Direct3DDeviceRecord& r, const std::shared_ptr<platform::Surface>& texture);

// Four vertices (top-left, top-right, bottom-left, bottom-right), moved by the screen offset when
// addOffset, completed to two triangles at the batch end; a full batch is drawn at once. 0 / -1.
int SubmitQuad3D(int device, Vertex3D* vertices, int addOffset);
// Triangle strips between the rows of a columns x rows grid, at most 1000 indices a draw; the
// batch is drawn first. -1 for fewer than two columns or rows.
int DrawVertexGrid3D(const Vertex3D* vertices, int columns, int rows, int device);
// A piece on four corners (top-left, top-right, bottom-left, bottom-right): one quad when the
// corners make a parallelogram within a pixel, else an 8 x 8 grid.
int DrawPieceQuad3D(const float* xs, const float* ys, const Surface3DRecord& piece,
                    uint32_t diffuse);

// The ways of moving screen pixels into a texture graph, in the order a capture tries them:
// (x1, y1, x2, y2, graph, flag) -> 0 / -1. Null past the last.
using CaptureMethod3D = int (*)(int, int, int, int, GraphRecord*, int);
CaptureMethod3D GetCaptureMethod3D(int index);

}  // namespace morrow
